// The object icons: one image list of 12 x 14 pictures and the parallel list of their keys,
// loaded once from the "imgs" folder beside the program.
#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QStringList>

class TObjectImageList {
  public:
    static constexpr int kWidth = 12;
    static constexpr int kHeight = 14;

    // Fills the lists from the thirteen bitmap files of "imgs/" inside ProgramFolder (which
    // ends with a path separator), in the fixed table order. Stops at the first file that is
    // missing or cannot be read as a bitmap and returns false; the pictures loaded before it
    // stay. True after the thirteenth.
    bool LoadObjectImages(const QString& programFolder);

    int Count() const { return int(ObjectImages.size()); }
    // The picture at Index as an icon; a null icon when there is none.
    QIcon Icon(int index) const;
    QPixmap Image(int index) const { return ObjectImages.value(index); }

    QList<QPixmap> ObjectImages;
    QStringList ObjectImageKeys;

  private:
    QList<QIcon> Icons;
};
