#include "support/UiTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {
int Counter = 0;
}

TTempSettings::TTempSettings() {
    // A new file name each time, so no cached copy of an earlier file is ever seen.
    File = Dir.filePath(QStringLiteral("settings%1.ini").arg(++Counter));
    HadPrevious = qEnvironmentVariableIsSet("BRELKEXPLORER_SETTINGS");
    Previous = qgetenv("BRELKEXPLORER_SETTINGS");
    qputenv("BRELKEXPLORER_SETTINGS", QFile::encodeName(File));
}

TTempSettings::~TTempSettings() {
    if (HadPrevious)
        qputenv("BRELKEXPLORER_SETTINGS", Previous);
    else
        qunsetenv("BRELKEXPLORER_SETTINGS");
}

void TTempSettings::WriteRaw(const QByteArray& text) const {
    QFile file(File);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text);
}

QByteArray TTempSettings::ReadRaw() const {
    QFile file(File);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TTempSettings::Exists() const {
    return QFileInfo::exists(File);
}

QStringList TTempSettings::Keys() const {
    QStringList keys;
    for (const QByteArray& line : ReadRaw().split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            keys.append(QString::fromUtf8(line.left(equals)).trimmed());
    }
    return keys;
}

QString TTempSettings::RawValue(const QString& key) const {
    for (const QByteArray& line : ReadRaw().split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0 && QString::fromUtf8(line.left(equals)).trimmed() == key)
            return QString::fromUtf8(line.mid(equals + 1)).trimmed();
    }
    return QString();
}

TScaledAppFont::TScaledAppFont(qreal scale) : Before(QApplication::font()) {
    QFont font = Before;
    font.setPointSizeF(Before.pointSizeF() * scale);
    QApplication::setFont(font);
}

TScaledAppFont::~TScaledAppFont() {
    QApplication::setFont(Before);
}
