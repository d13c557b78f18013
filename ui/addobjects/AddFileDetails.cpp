// The add dialog's details controls: storing them into the current pending object, the name
// check, the type pages with their buttons, and squashing or expanding every DFS disc.
#include "ui/addobjects/AddFile.h"

#include "ui/aux/Prompter.h"
#include "ui/main/Main.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

using brelk::TBrelk_RawCatalogueEntry;

namespace {

enum TPage { kPageFilingsystem = 0, kPageTool = 1, kPageDisc = 2 };

bool IsDFSDisc(const TBrelk_RawCatalogueEntry& object) {
    return object.Entry.Type() == brelk::kTypeImage && object.Entry.Subtype() == brelk::kSubtypeDFS;
}

} // namespace

// The code of ROM button Button: its patched code when "Patched" is checked, else the original.
std::uint8_t TfrmAddFile::RomSubtype(std::size_t button) const {
    const std::uint8_t patched = RomButtons()[button].Patched;
    return chkbxFSPatched->isChecked() ? patched : std::uint8_t(patched + kOriginalOffset);
}

void TfrmAddFile::StorePendingDetails(int index) {
    TBrelk_RawCatalogueEntry* object = Pending(index);
    if (!object)
        return;
    object->Entry.SetName(edtFilename->text().toLatin1().toStdString());
    switch (pgctrlObjectType->currentIndex()) {
    case kPageFilingsystem:
        object->Entry.SetType(brelk::kTypeFilingSystem);
        for (std::size_t i = 0; i < rdbtnFS.size(); ++i)
            if (rdbtnFS[i]->isChecked())
                object->Entry.SetSubtype(RomSubtype(i));
        break;
    case kPageTool:
        object->Entry.SetType(brelk::kTypeTool);
        object->Entry.SetSubtype(0);
        break;
    case kPageDisc:
        object->Entry.SetType(brelk::kTypeImage);
        if (rdbtnDiscDFS->isChecked())
            object->Entry.SetSubtype(brelk::kSubtypeDFS);
        else if (rdbtnDiscADFS->isChecked())
            object->Entry.SetSubtype(brelk::kSubtypeADFS);
        else if (rdbtnDiscTape->isChecked())
            object->Entry.SetSubtype(brelk::kSubtypeTape);
        object->Squashed = chkbxDiscSquashed->isChecked();
        break;
    default:
        break;
    }
    brelk::UpdateSizeOnCard(*object);
}

bool TfrmAddFile::ValidateObjectName(const QString& text) {
    if (!text.isEmpty())
        return true;
    Main.Prompter().Message(QStringLiteral("Please enter a name for this object."),
                            TPrompter::TIcon::Information, TPrompter::TButtons::OK);
    if (isVisible())
        edtFilename->setFocus(Qt::OtherFocusReason);
    return false;
}

// The name box already lost every character outside "!" to "~" (see MakeNameEditor); the
// typed name reaches the object only when the details are stored.
void TfrmAddFile::edtFilenameChange() {
    UpdateFileGridRow(CurrentIndex);
}

void TfrmAddFile::SetSquashControlsEnabled(bool enabled) {
    for (QWidget* control :
         {static_cast<QWidget*>(chkbxDiscSquashed), static_cast<QWidget*>(btbtnSquashAll),
          static_cast<QWidget*>(btbtnExpandAll)})
        control->setEnabled(enabled);
}

// Sets the type page and its buttons for Object (Showing is set by the caller).
void TfrmAddFile::ShowObjectType(const TBrelk_RawCatalogueEntry& object) {
    const std::uint8_t subtype = object.Entry.Subtype();
    switch (object.Entry.Type()) {
    case brelk::kTypeFilingSystem: {
        pgctrlObjectType->setCurrentIndex(kPageFilingsystem);
        QButtonGroup* group = rdbtnFS[0]->group();
        group->setExclusive(false); // so that no button at all can be checked
        for (std::size_t i = 0; i < rdbtnFS.size(); ++i) {
            const std::uint8_t patched = RomButtons()[i].Patched;
            rdbtnFS[i]->setChecked(subtype == patched || subtype == patched + kOriginalOffset);
        }
        group->setExclusive(true);
        chkbxFSPatched->setChecked(subtype >= 1 && subtype <= 11);
        break;
    }
    case brelk::kTypeTool:
        pgctrlObjectType->setCurrentIndex(kPageTool);
        break;
    case brelk::kTypeImage:
        pgctrlObjectType->setCurrentIndex(kPageDisc);
        if (subtype == brelk::kSubtypeDFS)
            rdbtnDiscDFS->setChecked(true);
        else if (subtype == brelk::kSubtypeADFS)
            rdbtnDiscADFS->setChecked(true);
        else if (subtype == brelk::kSubtypeTape)
            rdbtnDiscTape->setChecked(true);
        break;
    default:
        break;
    }
    SetSquashControlsEnabled(IsDFSDisc(object));
}

// The object that a click on a details control changes; null while the controls are set from
// code, while busy, and when no object is shown.
TBrelk_RawCatalogueEntry* TfrmAddFile::EditedObject() const {
    return Showing || Busy ? nullptr : Pending(CurrentIndex);
}

void TfrmAddFile::AfterTypeChange() {
    UpdateFileGridRow(CurrentIndex);
    UpdateSpaceTotals();
}

void TfrmAddFile::pgctrlObjectTypeChange() {
    TBrelk_RawCatalogueEntry* object = EditedObject();
    if (!object)
        return;
    switch (pgctrlObjectType->currentIndex()) {
    case kPageFilingsystem:
        object->Entry.SetType(brelk::kTypeFilingSystem);
        object->Entry.SetSubtype(RomButtons()[0].Patched + kOriginalOffset);
        break;
    case kPageTool:
        object->Entry.SetType(brelk::kTypeTool);
        object->Entry.SetSubtype(0);
        break;
    case kPageDisc:
        object->Entry.SetType(brelk::kTypeImage);
        object->Entry.SetSubtype(brelk::kSubtypeDFS);
        break;
    default:
        return;
    }
    brelk::UpdateSizeOnCard(*object);
    // Shown again for the new type; a name typed but not yet stored stays in the box.
    const QString typed = edtFilename->text();
    ShowPendingObject(CurrentIndex);
    Showing = true;
    edtFilename->setText(typed);
    Showing = false;
    AfterTypeChange();
}

void TfrmAddFile::rdbtnFSClick(int button) {
    TBrelk_RawCatalogueEntry* object = EditedObject();
    if (!object || button < 0 || std::size_t(button) >= rdbtnFS.size())
        return;
    object->Entry.SetSubtype(RomSubtype(std::size_t(button)));
    brelk::UpdateSizeOnCard(*object);
    AfterTypeChange();
}

void TfrmAddFile::chkbxFSPatchedClick() {
    TBrelk_RawCatalogueEntry* object = EditedObject();
    if (!object)
        return;
    const std::uint8_t subtype = object->Entry.Subtype();
    if (chkbxFSPatched->isChecked() && subtype > kOriginalOffset && subtype <= kOriginalOffset + 11)
        object->Entry.SetSubtype(subtype - kOriginalOffset);
    else if (!chkbxFSPatched->isChecked() && subtype >= 1 && subtype <= 11)
        object->Entry.SetSubtype(subtype + kOriginalOffset);
    AfterTypeChange();
}

// The subtype of a disc or tape; only a DFS disc can be squashed.
void TfrmAddFile::SetDiscSubtype(std::uint8_t subtype) {
    TBrelk_RawCatalogueEntry* object = EditedObject();
    if (!object)
        return;
    object->Entry.SetSubtype(subtype);
    brelk::UpdateSizeOnCard(*object);
    SetSquashControlsEnabled(subtype == brelk::kSubtypeDFS);
    AfterTypeChange();
}

void TfrmAddFile::rdbtnDiscDFSClick() {
    SetDiscSubtype(brelk::kSubtypeDFS);
}

void TfrmAddFile::rdbtnDiscADFSClick() {
    SetDiscSubtype(brelk::kSubtypeADFS);
}

void TfrmAddFile::rdbtnDiscTapeClick() {
    SetDiscSubtype(brelk::kSubtypeTape);
}

void TfrmAddFile::chkbxDiscSquashedClick() {
    TBrelk_RawCatalogueEntry* object = EditedObject();
    if (!object)
        return;
    object->Squashed = chkbxDiscSquashed->isChecked();
    brelk::UpdateSizeOnCard(*object);
    AfterTypeChange();
}

// ---------------------------------------------------------------------------------------------
// Squash and expand all

void TfrmAddFile::btbtnSquashAllClick() {
    if (!Busy && Main.Prompter().Message(QStringLiteral("Squash all DFS objects?"),
                                         TPrompter::TIcon::Confirmation,
                                         TPrompter::TButtons::YesNo) == TPrompter::TAnswer::Yes)
        SetSquashForAll(true);
}

void TfrmAddFile::btbtnExpandAllClick() {
    if (!Busy && Main.Prompter().Message(QStringLiteral("Expand all DFS objects?"),
                                         TPrompter::TIcon::Confirmation,
                                         TPrompter::TButtons::YesNo) == TPrompter::TAnswer::Yes)
        SetSquashForAll(false);
}

void TfrmAddFile::SetSquashForAll(bool squash) {
    const int remembered = CurrentIndex;
    StorePendingDetails(CurrentIndex);
    for (auto& object : Main.Pending())
        if (IsDFSDisc(*object)) {
            object->Squashed = squash;
            brelk::UpdateSizeOnCard(*object);
        }
    RefreshFileGrid();
    ShowPendingObject(remembered);
    UpdateSpaceTotals();
}
