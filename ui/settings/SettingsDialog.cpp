#include "ui/settings/SettingsDialog.h"

#include "ui/aux/Prompter.h"
#include "ui/settings/DriveList.h"
#include "ui/settings/Settings.h"

TfrmSettings::TfrmSettings(TBrelkExplorerSettings& settings, TPrompter& prompter, QWidget* parent,
                           const TDriveLister* drives)
    : QDialog(parent), Settings(settings), Prompter(prompter) {
    (void)drives;
}

void TfrmSettings::LoadSettingsIntoControls() {}
void TfrmSettings::StoreSettingsFromControls() {}
void TfrmSettings::btbtnOKClick() {
    accept();
}
void TfrmSettings::btbtnCancelClick() {
    reject();
}
void TfrmSettings::chkbxUseDeletedItemsClick() {}
void TfrmSettings::chkbxImportOverwriteClick() {}
void TfrmSettings::spdbtnSelectEmulatorPathClick() {}
void TfrmSettings::spdbtnSelectImageFileClick() {}
void TfrmSettings::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
}
