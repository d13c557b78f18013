// The object details view: the four fields at the top of "Object - info", the tabs and the
// fixed-pitch text below them. The texts themselves come from the core (ObjectDetails,
// CardInfo); this file puts them on screen and reacts to the tree, the tabs and clicks.
#include "ui/main/Main.h"

#include "ui/aux/NameText.h"

#include "explorer/CardInfo.h"
#include "explorer/ObjectDetails.h"
#include "formats/GlobalStuff.h"
#include "ui/main/MainWidgets.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTabBar>

#include <functional>

using brelk::TBrelkCatEntry;

namespace {

// Runs Action on a left click (press and release) on the watched widget.
class TClickWatcher : public QObject {
  public:
    TClickWatcher(QObject* parent, std::function<void()> action)
        : QObject(parent), Action(std::move(action)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            Action();
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> Action;
};

// The hourglass for as long as the scope lasts, when Show.
class TWaitCursor {
  public:
    explicit TWaitCursor(bool show) : Shown(show) {
        if (Shown)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~TWaitCursor() {
        if (Shown)
            QApplication::restoreOverrideCursor();
    }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

  private:
    bool Shown;
};

// The details texts carry bytes 0x80 to 0xFF of the media as they are; they are shown as code
// page 1252 characters, so every byte is a visible character.
QString JoinCodePage1252(const std::vector<std::string>& lines) {
    QString text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += QLatin1Char('\n');
        for (char c : lines[i])
            text += QChar(char16_t(brelk::CodePage1252Char(static_cast<std::uint8_t>(c))));
    }
    return text;
}

// Number texts carry the locale's separator in UTF-8.
QString JoinUtf8(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines)
        list << QString::fromStdString(line);
    return list.join(QLatin1Char('\n'));
}

// Sizes and card addresses: hexadecimal, or decimal with the locale's thousands separator.
brelk::TNumberFormat NumberFormat(const TBrelkExplorerSettings& settings) {
    return {settings.ViewerShowNumbersInHex, QLocale().groupSeparator().toStdString()};
}

} // namespace

void TfrmMain::ConnectDetailsView() {
    memoObjectDetails->viewport()->setCursor(Qt::ArrowCursor);
    memoObjectDetails->viewport()->installEventFilter(new TClickWatcher(this, [this] {
        if (MemoClickActive)
            memoObjectDetailsClick();
    }));
    connect(treevwObjects, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) {
                treevwObjectsChange(current && current->type() == TMyTreeNode::kNodeType
                                        ? static_cast<TMyTreeNode*>(current)
                                        : nullptr);
            });
    connect(tbctrlObjectDetails, &QTabBar::currentChanged, this,
            &TfrmMain::tbctrlObjectDetailsChange);
}

void TfrmMain::ShowObjectInfo(const TBrelkCatEntry* entry) {
    if (!entry) {
        for (QLabel* field :
             {lblObjectType, lblObjectMMCPosition, lblObjectSize, lblObjectFullname})
            field->clear();
        return;
    }
    const brelk::TNumberFormat numbers = NumberFormat(Settings);
    lblObjectType->setText(QString::fromLatin1(brelk::ObjectTypeText(*entry)));
    lblObjectMMCPosition->setText(QString::fromStdString(numbers.Format(entry->Address())));
    lblObjectSize->setText(QString::fromStdString(numbers.Format(entry->Size())));
    lblObjectFullname->setText(CardNameText(entry->Name()));
}

void TfrmMain::ShowObjectDetails(const TBrelkCatEntry* entry, bool loadNow) {
    memoObjectDetails->clear();
    SetDetailsTabs({}, 0);
    HideObjectFiles();
    if (entry && loadNow) {
        const brelk::TDetailsOptions options{Settings.HexviewerBytesTotal,
                                             Settings.HexviewerBytesPerRow};
        brelk::TDetailsView view = brelk::BuildObjectDetails(*Brelk, *entry, DetailsTab, options);
        ShowObjectFiles(*entry, view.Tabs, view.SelectedTab);
        ShowObjectFilesHead(view.Head);
        SetDetailsTabs(view.Tabs, view.SelectedTab);
        memoObjectDetails->setPlainText(JoinCodePage1252(view.Lines));
        SetDetailsClickable(false);
    } else if (entry) {
        memoObjectDetails->setPlainText(QStringLiteral("Click to load details from Brelk"));
        SetDetailsClickable(true);
    } else if (TMyTreeNode* selected = SelectedNode(); selected && selected == RootNode()) {
        ShowCardInfo();
    }
}

void TfrmMain::ShowCardInfo() {
    const brelk::TDetailsView view =
        brelk::BuildCardInfo(*Brelk, NumberFormat(Settings), Settings.MMCSafetyZone);
    SetDetailsTabs(view.Tabs, view.SelectedTab);
    memoObjectDetails->setPlainText(JoinUtf8(view.Lines));
}

// Replaces the tabs without running the handler of a user's tab change.
void TfrmMain::SetDetailsTabs(const std::vector<std::string>& tabs, unsigned selected) {
    const QSignalBlocker quiet(tbctrlObjectDetails);
    while (tbctrlObjectDetails->count() > 0)
        tbctrlObjectDetails->removeTab(tbctrlObjectDetails->count() - 1);
    for (const std::string& tab : tabs)
        tbctrlObjectDetails->addTab(QString::fromLatin1(tab.data(), qsizetype(tab.size())));
    if (selected >= 1 && selected <= tabs.size())
        tbctrlObjectDetails->setCurrentIndex(int(selected) - 1);
}

void TfrmMain::SetDetailsClickable(bool clickable) {
    MemoClickActive = clickable;
    memoObjectDetails->viewport()->setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TfrmMain::treevwObjectsChange(TMyTreeNode* node) {
    if (!Brelk)
        return;
    const TBrelkCatEntry* entry = node ? node->Entry : nullptr;
    ShowObjectInfo(entry);
    const bool loadNow = Settings.ViewerAutoviewObjectDetails;
    const TWaitCursor hourglass(loadNow);
    ShowObjectDetails(entry, loadNow);
    // Reading the details may have moved the cache window that the zoomed usage bar shows.
    UpdateTopbarInfo();
}

void TfrmMain::tbctrlObjectDetailsChange(int index) {
    TMyTreeNode* selected = SelectedNode();
    if (!selected || index < 0)
        return;
    DetailsTab = std::uint8_t(index + 1);
    ShowObjectDetails(selected->Entry, true);
    if (DetailsTab >= 1 && DetailsTab <= tbctrlObjectDetails->count()) {
        const QSignalBlocker quiet(tbctrlObjectDetails);
        tbctrlObjectDetails->setCurrentIndex(DetailsTab - 1);
    }
}

void TfrmMain::memoObjectDetailsClick() {
    TMyTreeNode* selected = SelectedNode();
    if (!selected)
        return;
    ShowObjectInfo(selected->Entry);
    ShowObjectDetails(selected->Entry, true);
}

QFont TfrmMain::DetailsFont() const {
    return memoObjectDetails->font();
}
