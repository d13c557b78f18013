#include "ui/aux/ShellOpener.h"

#include <QDesktopServices>
#include <QUrl>

bool TDesktopShellOpener::OpenAddress(const QString& address) {
    return QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}
