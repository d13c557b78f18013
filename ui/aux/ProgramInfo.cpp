#include "ui/aux/ProgramInfo.h"

#include <QGuiApplication>

QString ProgramVersionText() {
#ifdef BRELK_FILE_VERSION
    return QStringLiteral(BRELK_FILE_VERSION);
#else
    return QString();
#endif
}

QString HomepageAddress() {
    return QStringLiteral("http://www.halde.example/brelkexplorer/");
}

QString LinkFromCaption(const QString& caption) {
    const qsizetype start = caption.indexOf(QLatin1String("http://"));
    if (start < 0)
        return QString();
    return caption.mid(start, 100);
}

void SetProgramIdentity() {
    QGuiApplication::setApplicationName(QStringLiteral("BrelkExplorer"));
    // Set, but empty: a caption ends with the empty text already, so nothing is appended.
    QGuiApplication::setApplicationDisplayName(QString());
    QGuiApplication::setApplicationVersion(ProgramVersionText());
}
