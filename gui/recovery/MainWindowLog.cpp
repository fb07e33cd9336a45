// The recovery log's dialogs: where to save a log, which logs to load, and the wait
// window shown while a loaded log's or a picked file system's tree is built.
#include "FontScale.h"
#include "MainWindow.h"
#include "dialogs/SimpleDialogs.h"

#include <QFileDialog>
#include <QLabel>
#include <QThread>
#include <QTimer>

namespace qr::gui {

app::RecoveryLogDialogs MainWindow::logDialogs() {
    app::RecoveryLogDialogs dialogs;
    // The save dialog runs on this thread; it asks itself before replacing a file.
    dialogs.chooseSavePath = [this]() -> std::optional<std::string> {
        const QString path = QFileDialog::getSaveFileName(this, "Save Log", QString(), "*.dms");
        if (path.isEmpty())
            return std::nullopt;
        return path.toStdString();
    };
    // The open dialog is asked for by the load worker, which waits for the answer.
    dialogs.chooseLoadPaths = [this] {
        std::vector<std::string> names;
        auto ask = [this, &names] {
            for (const QString& name :
                 QFileDialog::getOpenFileNames(this, "Load Log", QString(), "*.dms"))
                names.push_back(name.toStdString());
        };
        if (QThread::currentThread() == thread())
            ask();
        else
            QMetaObject::invokeMethod(this, ask, Qt::BlockingQueuedConnection);
        return names;
    };
    dialogs.showWaitPopup = [this] { onGui([this] { showWaitPopup(); }); };
    dialogs.closeWaitPopup = [this] { onGui([this] { closeWaitPopup(); }); };
    return dialogs;
}

void MainWindow::showWaitPopup() {
    if (waitPopup_)
        return;
    auto* popup = new WaitPopup(this);
    popup->setObjectName("waitPopup");
    popup->show();
    waitPopup_ = popup;
}

void MainWindow::closeWaitPopup() {
    delete waitPopup_;
    waitPopup_ = nullptr;
}

void MainWindow::closeWaitPopupWhenIdle() {
    auto* timer = new QTimer(this);
    timer->setInterval(50);
    connect(timer, &QTimer::timeout, this, [this, timer] {
        if (ctx_->fileSystemWorkerRunning)
            return;
        closeWaitPopup();
        timer->deleteLater();
    });
    timer->start();
}

} // namespace qr::gui
