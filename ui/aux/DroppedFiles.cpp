#include "ui/aux/DroppedFiles.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

QStringList DroppedLocalPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths << url.toLocalFile();
    return paths;
}

bool AcceptAsCopy(QDropEvent& event) {
    if (!(event.possibleActions() & Qt::CopyAction)) {
        event.ignore();
        return false;
    }
    event.setDropAction(Qt::CopyAction);
    event.accept();
    return true;
}
