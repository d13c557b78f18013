#include "ui/aux/DataFolder.h"

#include <QCoreApplication>
#include <QFileInfo>

#ifndef BRELK_INSTALLED_DATA_DIR
#define BRELK_INSTALLED_DATA_DIR "/usr/share/brelkexplorer"
#endif

namespace {

QString WithSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

bool HoldsImgs(const QString& folder) {
    return !folder.isEmpty() && QFileInfo(WithSlash(folder) + QStringLiteral("imgs")).isDir();
}

} // namespace

QString FolderWithImgs(const QString& executableFolder, const QString& installedFolder) {
    if (!HoldsImgs(executableFolder) && HoldsImgs(installedFolder))
        return WithSlash(installedFolder);
    return WithSlash(executableFolder);
}

QString ProgramDataFolder() {
    return FolderWithImgs(QCoreApplication::applicationDirPath(),
                          QStringLiteral(BRELK_INSTALLED_DATA_DIR));
}
