#include "ui/main/FindFilesDialog.h"

#include "explorer/MediaFileNumbers.h"
#include "ui/aux/NameText.h"
#include "ui/main/ObjectFilesMenu.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum TFoundColumn { kColObject, kColSide, kColName, kColLoad, kColExec, kColLength, kColCount };
constexpr int kRowRole = Qt::UserRole + 1;

QString Plural(std::size_t count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

} // namespace

// The job's progress in the dialog: the bar counts the objects, the status line names the one
// in hand, and Stop is seen at the next report.
class TfrmFindFiles::TProgress final : public brelk::TJobProgress {
  public:
    explicit TProgress(TfrmFindFiles& dialog) : Dialog(dialog) {}
    void Begin(const std::string&, bool, bool) override { Dialog.prgbrFind->setRange(0, 0); }
    bool Report(std::size_t done, std::size_t total, const std::string& item) override {
        Dialog.prgbrFind->setRange(0, int(total));
        Dialog.prgbrFind->setValue(int(done));
        Dialog.lblFindStatus->setText(
            QStringLiteral("Searching %1 (%2 of %3)").arg(MediaText(item)).arg(done).arg(total));
        QCoreApplication::processEvents();
        return Dialog.StopAsked;
    }
    void End() override {}

  private:
    TfrmFindFiles& Dialog;
};

TfrmFindFiles::TfrmFindFiles(QWidget* parent, TSearch search, TShow show)
    : QDialog(parent), Search(std::move(search)), Show(std::move(show)) {
    setObjectName(QStringLiteral("frmFindFiles"));
    setWindowTitle(QStringLiteral("Find files"));
    CreateControls();
    SetRunning(false);
}

TfrmFindFiles::~TfrmFindFiles() = default;

void TfrmFindFiles::CreateControls() {
    edtFindPattern = new QLineEdit(this);
    edtFindPattern->setObjectName(QStringLiteral("edtFindPattern"));
    edtFindPattern->setPlaceholderText(QStringLiteral("ELITE, B.*, $.GAMES.#"));
    edtFindObject = new QLineEdit(this);
    edtFindObject->setObjectName(QStringLiteral("edtFindObject"));
    edtFindObject->setPlaceholderText(QStringLiteral("every disc and tape"));
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("File &names:"), edtFindPattern);
    fields->addRow(QStringLiteral("In &objects:"), edtFindObject);
    btnFind = new QPushButton(QStringLiteral("&Find"), this);
    btnFind->setObjectName(QStringLiteral("btnFind"));
    btnFind->setDefault(true);
    btnStop = new QPushButton(QStringLiteral("&Stop"), this);
    btnStop->setObjectName(QStringLiteral("btnStop"));
    auto* top = new QHBoxLayout;
    top->addLayout(fields, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btnFind);
    buttons->addWidget(btnStop);
    top->addLayout(buttons);
    lvFoundFiles = new QTreeWidget(this);
    lvFoundFiles->setObjectName(QStringLiteral("lvFoundFiles"));
    lvFoundFiles->setHeaderLabels({QStringLiteral("Object"), QStringLiteral("Side"),
                                   QStringLiteral("Name"), QStringLiteral("Load"),
                                   QStringLiteral("Exec"), QStringLiteral("Length")});
    lvFoundFiles->setRootIsDecorated(false);
    lvFoundFiles->setUniformRowHeights(true);
    lvFoundFiles->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lvFoundFiles->header()->setStretchLastSection(false);
    prgbrFind = new QProgressBar(this);
    prgbrFind->setObjectName(QStringLiteral("prgbrFind"));
    lblFindStatus = new QLabel(this);
    lblFindStatus->setObjectName(QStringLiteral("lblFindStatus"));
    lblFindStatus->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lvFoundFiles, 1);
    layout->addWidget(prgbrFind);
    layout->addWidget(lblFindStatus);
    resize(640, 420);
    connect(btnFind, &QPushButton::clicked, this, &TfrmFindFiles::btnFindClick);
    connect(btnStop, &QPushButton::clicked, this, &TfrmFindFiles::btnStopClick);
    connect(lvFoundFiles, &QTreeWidget::itemDoubleClicked, this,
            &TfrmFindFiles::lvFoundFilesDoubleClick);
}

void TfrmFindFiles::btnFindClick() {
    brelk::TFindRequest request;
    if (Running || !ReadRequest(request))
        return;
    lvFoundFiles->clear();
    Rows.clear();
    StopAsked = false;
    SetRunning(true);
    TProgress progress(*this);
    const brelk::TFindOutcome outcome = Search(
        request, [this](const brelk::TFoundFile& found) { AddRow(found); }, &progress);
    SetRunning(false);
    ShowOutcome(outcome);
}

void TfrmFindFiles::btnStopClick() {
    StopAsked = true;
}

void TfrmFindFiles::closeEvent(QCloseEvent* event) {
    StopAsked = true;
    QDialog::closeEvent(event);
}

bool TfrmFindFiles::ReadRequest(brelk::TFindRequest& request) {
    const QStringList words = edtFindPattern->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList texts = words;
    texts << edtFindObject->text().trimmed();
    std::vector<std::string> raw(std::size_t(texts.size()));
    for (qsizetype i = 0; i < texts.size(); ++i)
        if (!CardNameFromText(texts[i], raw[std::size_t(i)])) {
            lblFindStatus->setText(
                QStringLiteral("'%1' holds a character that no name holds.").arg(texts[i]));
            return false;
        }
    if (words.isEmpty()) {
        lblFindStatus->setText(QStringLiteral("Type a file name to find (wildcards * and #)."));
        return false;
    }
    request.ObjectPattern = raw.back();
    raw.pop_back();
    request.Patterns = std::move(raw);
    return true;
}

void TfrmFindFiles::AddRow(const brelk::TFoundFile& found) {
    const brelk::TMediaFileNumbers numbers = brelk::MediaFileNumbers(found.Kind, found.File);
    auto* item = new QTreeWidgetItem(lvFoundFiles);
    item->setText(kColObject, CardNameText(found.Entry->Name()));
    item->setText(kColSide, QString::number(found.File.Side));
    item->setText(kColName, MediaText(found.File.Name));
    item->setText(kColLoad, QString::fromStdString(numbers.Load));
    item->setText(kColExec, QString::fromStdString(numbers.Exec));
    item->setText(kColLength, QString::fromStdString(numbers.Length));
    for (int column : {kColSide, kColLoad, kColExec, kColLength})
        item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    item->setData(kColObject, kRowRole, qulonglong(Rows.size()));
    Rows.push_back({*found.Entry, found.File});
}

void TfrmFindFiles::ShowOutcome(const brelk::TFindOutcome& outcome) {
    QString text = Plural(outcome.Found, "file", "files") + QStringLiteral(" found in ") +
                   Plural(outcome.Searched, "disc or tape", "discs and tapes") +
                   (outcome.Cancelled ? QStringLiteral(" (stopped).") : QStringLiteral("."));
    for (const brelk::TSkippedObject& skipped : outcome.Skipped)
        text += QStringLiteral("\nNot searched: '%1': %2")
                    .arg(CardNameText(skipped.Entry->Name()), QString::fromStdString(skipped.Why));
    lblFindStatus->setText(text);
}

void TfrmFindFiles::SetRunning(bool running) {
    Running = running;
    btnFind->setEnabled(!running);
    btnStop->setEnabled(running);
    edtFindPattern->setReadOnly(running);
    edtFindObject->setReadOnly(running);
}

void TfrmFindFiles::lvFoundFilesDoubleClick(QTreeWidgetItem* item) {
    const std::size_t row = std::size_t(item->data(kColObject, kRowRole).toULongLong());
    if (!Running && row < Rows.size())
        Show(Rows[row].Entry, Rows[row].File);
}
