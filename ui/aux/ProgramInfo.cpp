#include "ui/aux/ProgramInfo.h"

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
