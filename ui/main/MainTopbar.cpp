// The strip at the top of the main window: the card usage bar with its zoom, the cache panel
// that writes pending data when clicked, and the enabling of the card-wide actions.
#include "ui/main/Main.h"

#include "ui/main/MainWidgets.h"
#include "ui/main/UsageBarPainter.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QGroupBox>

namespace {

const QColor kPending(255, 0, 0);
const QColor kClean(0, 128, 0);

// The background of the bar: the scroll-bar colour of the platform's palette, taken a shade
// darker than the button face so that the empty bar stands out from the window.
QColor ScrollBarColour(const QPalette& palette) {
    return palette.color(QPalette::Button).darker(112);
}

} // namespace

void TfrmMain::UpdateTopbarInfo() {
    UpdateCacheState();
    UpdateActionEnabling();
    DrawUsageBar();
}

void TfrmMain::UpdateCacheState() {
    const bool pending = Brelk->HasUnsavedData();
    pnlCacheStatus->SetColour(pending ? kPending : kClean);
    pnlCacheStatus->setToolTip(
        pending ? QStringLiteral("Don't remove the Brelk-card - Click to empty cache")
                : QStringLiteral("Brelk-card can safely be removed"));
    SetActionEnabled(actnReloadDrive, !pending);
}

void TfrmMain::UpdateActionEnabling() {
    SetActionEnabled(actnAddObjects, Brelk->State().CatalogueValid);
    SetActionEnabled(actnFormatMMC, Brelk->State().DeviceOK);
    SetActionEnabled(actnCheckCard, Brelk->State().DeviceOK);
    SetActionEnabled(actnFindFiles, Brelk->State().CatalogueValid);
    SetActionEnabled(actnRestoreBrelk, Brelk->State().DeviceOK);
    SetActionEnabled(actnBackupBrelk, Brelk->HeaderCount() > 0);
    TMyTreeNode* root = RootNode();
    const bool deletedGroupFilled = root && root->childCount() > 0 && root->Child(0)->HasChildren();
    SetActionEnabled(actnRemoveDeletedObjects, deletedGroupFilled);
}

void TfrmMain::DrawUsageBar() {
    imgMMCBlockUsage->Image = QImage(imgMMCBlockUsage->size(), QImage::Format_RGB32);
    TUsageBarState state;
    state.CatalogueValid = Brelk->State().CatalogueValid;
    state.CardSize = Brelk->State().CardSize;
    state.SafetyZone = Settings.MMCSafetyZone;
    state.UsedBytes = Brelk->GetUsedBytes();
    state.FreeSpaceMap = &Brelk->FreeRecords();
    state.CacheStart = Brelk->Window().Start;
    state.CacheFill = Brelk->Window().Fill;
    state.HasUnsavedData = Brelk->HasUnsavedData();
    TUsageBarColours colours;
    colours.Background = ScrollBarColour(palette());
    colours.Used = palette().color(QPalette::Highlight);
    pnlMMCBlockUsage->setToolTip(UsageHint(state.UsedBytes, state.CardSize));
    if (state.CatalogueValid)
        grpbxMMCInfo->setTitle(UsageZoom ? QStringLiteral("MMC-Usage (zoomed)")
                                         : QStringLiteral("MMC-Usage"));
    PaintUsageBar(imgMMCBlockUsage->Image, state, UsageZoom != 0, colours);
    imgMMCBlockUsage->update();
}

void TfrmMain::imgMMCBlockUsageClick() {
    UsageZoom = 1 - UsageZoom;
    UpdateTopbarInfo();
}

void TfrmMain::pnlCacheStatusClick() {
    if (IsBusy() || !Brelk->HasUnsavedData())
        return;
    TBusyScope busy(*this);
    ShowWaitWindow(QStringLiteral("Flushing cache..."), false, true);
    ReportProgress(QString(), 100);
    Brelk->FlushMMCDevice();
    UpdateTopbarInfo();
    CloseWaitWindow();
}
