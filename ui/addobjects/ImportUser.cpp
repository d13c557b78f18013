#include "ui/addobjects/ImportUser.h"

#include "ui/aux/PleaseWait.h"
#include "ui/main/Main.h"

TWaitWindowProgress::~TWaitWindowProgress() {
    ReturnWaitWindow();
}

void TWaitWindowProgress::Begin(const std::string& text, bool cancelable, bool counted) {
    QWidget* wait = Main.WaitWindow();
    if (wait && Owner && !Lent && wait->parentWidget() != Owner) {
        PreviousParent = wait->parentWidget();
        wait->setParent(Owner, wait->windowFlags());
        Lent = true;
    }
    Main.ShowWaitWindow(QString::fromStdString(text), cancelable, counted);
}

bool TWaitWindowProgress::Report(std::size_t done, std::size_t total, const std::string& item) {
    return Main.ReportProgress(QString::fromStdString(item), brelk::PercentDone(done, total));
}

void TWaitWindowProgress::End() {
    Main.CloseWaitWindow();
    ReturnWaitWindow();
}

void TWaitWindowProgress::ReturnWaitWindow() {
    if (!Lent)
        return;
    Lent = false;
    if (QWidget* wait = Main.WaitWindow())
        wait->setParent(PreviousParent, wait->windowFlags());
}
