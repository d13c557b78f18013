// Tools > "Find files...": names with wildcards, an optional object filter, and the files
// found inside the card's discs and tapes listed as the find job reports them, with its
// progress and a Stop button. A double click on a file asks the owner to show it.
#pragma once

#include "card/CatEntry.h"
#include "explorer/FindFiles.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TfrmFindFiles : public QDialog {
    Q_OBJECT
  public:
    // Runs the find job for the request; Found hears of each file, Progress of each object.
    using TSearch = std::function<brelk::TFindOutcome(
        const brelk::TFindRequest&, const brelk::TFoundFileFn&, brelk::TJobProgress*)>;
    // Shows the file File of the object whose catalogue entry was Entry when it was found.
    using TShow =
        std::function<void(const brelk::TBrelkCatEntry& entry, const brelk::TMediaFile& file)>;

    TfrmFindFiles(QWidget* parent, TSearch search, TShow show);
    ~TfrmFindFiles() override;

    // Starts a search with the fields' texts (the Find button).
    void btnFindClick();
    // Asks a running search to stop after the object in hand.
    void btnStopClick();
    bool Searching() const { return Running; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    class TProgress;
    struct TFoundRow {
        brelk::TBrelkCatEntry Entry;
        brelk::TMediaFile File;
    };
    void CreateControls();
    // The patterns of the pattern field, split at spaces; false, after saying so in the status
    // line, when one holds a character that no name holds.
    bool ReadRequest(brelk::TFindRequest& request);
    void AddRow(const brelk::TFoundFile& found);
    void ShowOutcome(const brelk::TFindOutcome& outcome);
    void SetRunning(bool running);
    void lvFoundFilesDoubleClick(QTreeWidgetItem* item);

    TSearch Search;
    TShow Show;
    std::vector<TFoundRow> Rows;
    bool Running = false;
    bool StopAsked = false;

    QLineEdit* edtFindPattern = nullptr;
    QLineEdit* edtFindObject = nullptr;
    QPushButton* btnFind = nullptr;
    QPushButton* btnStop = nullptr;
    QTreeWidget* lvFoundFiles = nullptr;
    QProgressBar* prgbrFind = nullptr;
    QLabel* lblFindStatus = nullptr;
};
