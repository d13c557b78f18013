#include "ui/settings/SettingsValues.h"

#include <QStringList>

namespace brelksettings {

QString TValueReader::Text(const char* name, const QString& fallback) const {
    const QString key = QLatin1String(name);
    if (!Store.contains(key))
        return fallback;
    const QVariant value = Store.value(key);
    // An unquoted text with commas comes back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

std::optional<qint64> TValueReader::Integer(const char* name) const {
    const QString key = QLatin1String(name);
    if (!Store.contains(key))
        return std::nullopt;
    bool ok = false;
    const qint64 number = Store.value(key).toString().trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return number;
}

bool TValueReader::Flag(const char* name, bool fallback) const {
    const std::optional<qint64> value = Integer(name);
    return value ? *value != 0 : fallback;
}

void TValueWriter::Text(const char* name, const QString& value) {
    Store.setValue(QLatin1String(name), value);
}

void TValueWriter::Flag(const char* name, bool value) {
    Store.setValue(QLatin1String(name), value ? 1 : 0);
}

void TValueWriter::Number(const char* name, qint64 value) {
    Store.setValue(QLatin1String(name), value);
}

} // namespace brelksettings
