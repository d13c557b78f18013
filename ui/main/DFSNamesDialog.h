// The DFS names of PC files about to be inserted into a disc, shown when a PC name is no DFS
// name: the proposed names can be changed before the files go in.
#pragma once

#include <QDialog>
#include <QStringList>

class QTableWidget;

class TfrmDFSNames : public QDialog {
  public:
    // One row per file: its PC file name and the DFS name it gets; Changed rows are marked.
    TfrmDFSNames(const QStringList& files, const QStringList& names, const QList<bool>& changed,
                 QWidget* parent);
    // The names as the rows hold them now.
    QStringList Names() const;

  private:
    QTableWidget* tblDFSNames = nullptr;
};
