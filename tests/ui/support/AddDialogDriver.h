// Drives the add-objects dialog while a modal showing of it runs.
#pragma once

#include "ui/addobjects/AddFile.h"

#include <QTimer>

#include <functional>

// Runs Action once, as soon as Dialog shows and its analysis has finished (the analysis lets
// events through, so a plain zero timer could fire in the middle of it).
inline void WhenDialogReady(TfrmAddFile* dialog, std::function<void()> action) {
    auto* timer = new QTimer(dialog);
    QObject::connect(timer, &QTimer::timeout, dialog, [dialog, timer, action] {
        if (!dialog->isVisible() || dialog->IsBusy())
            return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start(5);
}
