// Helpers shared by the widget tests.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

// A private settings file for one test: BRELKEXPLORER_SETTINGS names it while the object
// lives, so no test touches a real settings store. The file does not exist at first.
class TTempSettings {
  public:
    TTempSettings();
    ~TTempSettings();
    TTempSettings(const TTempSettings&) = delete;
    TTempSettings& operator=(const TTempSettings&) = delete;

    QString Path() const { return File; }
    QString Folder() const { return Dir.path(); }
    // The raw INI text; write it before the store is first read.
    void WriteRaw(const QByteArray& text) const;
    QByteArray ReadRaw() const;
    bool Exists() const;
    // Key=value lines of the file, keys in the order they stand.
    QStringList Keys() const;
    // The raw text of one value, empty when absent.
    QString RawValue(const QString& key) const;

  private:
    QTemporaryDir Dir;
    QString File;
    QByteArray Previous;
    bool HadPrevious = false;
};

// The application font Scale times its size while the object lives (1.25: text at 125 %).
class TScaledAppFont {
  public:
    explicit TScaledAppFont(qreal scale);
    ~TScaledAppFont();
    TScaledAppFont(const TScaledAppFont&) = delete;
    TScaledAppFont& operator=(const TScaledAppFont&) = delete;

  private:
    QFont Before;
};

// The child widget or object named Name, of type T; null when there is none.
template <typename T> T* Named(const QObject* parent, const char* name) {
    return parent->findChild<T*>(QLatin1String(name));
}

// The control or action of Window named Name, of type T. A test that asks for one the window
// does not have stops at once, naming it.
template <typename T> T* Find(const QObject& window, const char* name) {
    T* found = window.findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("%s has no %s named %s", qPrintable(window.objectName()),
               T::staticMetaObject.className(), name);
    return found;
}
