#include "ui/main/ObjectImageList.h"

#include "explorer/ObjectImages.h"

#include <QFileInfo>

bool TObjectImageList::LoadObjectImages(const QString& programFolder) {
    const QString folder = programFolder + QStringLiteral("imgs/");
    for (const auto& row : brelk::ObjectImageTable()) {
        const QString path = folder + QString::fromLatin1(row.File);
        if (!QFileInfo(path).isFile())
            return false;
        QPixmap picture;
        // An unreadable file ends the loading like a missing one: the tree runs without icons.
        if (!picture.load(path, "BMP"))
            return false;
        ObjectImages.append(picture);
        Icons.append(QIcon(picture));
        ObjectImageKeys.append(QString::fromLatin1(row.Key));
    }
    return true;
}

QIcon TObjectImageList::Icon(int index) const {
    return Icons.value(index);
}
