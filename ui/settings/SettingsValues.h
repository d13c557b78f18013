// Typed access to the values of the settings store: text as strings, numbers and flags as
// integers. A stored value that is not a whole number, or lies outside its field's range,
// counts as absent: its default is used (and the write-back after reading repairs it).
#pragma once

#include <QSettings>
#include <QString>

#include <cstdint>
#include <limits>
#include <optional>

namespace brelksettings {

class TValueReader {
  public:
    explicit TValueReader(const QSettings& store) : Store(store) {}

    QString Text(const char* name, const QString& fallback) const;
    // Any whole number other than 0 is true.
    bool Flag(const char* name, bool fallback) const;
    template <typename T> T Number(const char* name, T fallback) const {
        const std::optional<qint64> value = Integer(name);
        if (!value || *value < qint64(std::numeric_limits<T>::min()) ||
            *value > qint64(std::numeric_limits<T>::max()))
            return fallback;
        return T(*value);
    }

  private:
    std::optional<qint64> Integer(const char* name) const;
    const QSettings& Store;
};

class TValueWriter {
  public:
    explicit TValueWriter(QSettings& store) : Store(store) {}
    void Text(const char* name, const QString& value);
    void Flag(const char* name, bool value);
    void Number(const char* name, qint64 value);

  private:
    QSettings& Store;
};

} // namespace brelksettings
