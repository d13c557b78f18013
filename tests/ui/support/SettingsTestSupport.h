// Helpers of the settings dialog tests.
#pragma once

#include "support/FakeDrives.h"
#include "ui/settings/Settings.h"

#include <QComboBox>
#include <QFile>
#include <QStringList>
#include <QTest>

inline const TFakeDrives TwoCardReaders{{"/dev/sde", true}, {"/dev/sdf", true}};

// A settings object as read from an empty store, with drive Drive.
inline TBrelkExplorerSettings FreshSettings(const QString& drive) {
    TBrelkExplorerSettings settings;
    settings.ReadSettingsFromRegistry(drive);
    return settings;
}

inline QStringList Entries(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries.append(list->itemText(i));
    return entries;
}

// A 512-byte file standing in for a card image or a device node.
inline void MakeFile(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(512, 0));
}
