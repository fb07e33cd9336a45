// Ending the workers: Stop Searching, the close sequence, Escape and the window's end.
#include "MainWindow.h"

#include "app/ScanDriver.h"
#include "dialogs/SaveQuestionsGui.h"
#include "reports/ReportCommands.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>

#include <chrono>
#include <thread>

namespace qr::gui {

MainWindow::~MainWindow() {
    // Workers write to this window and may be waiting on it (a tree update, a question):
    // end them while it still exists, serving them until they have.
    destroying_ = true;
    delete saveSummary_.data(); // it opens the destination through this window
    ctx_->noDiskPromptThread = {};
    rawRecovery_->stop();
    stopWorker(ctx_->scanWorker);
    stopWorker(ctx_->partitionSearchThread);
    stopWorker(ctx_->fileSystemWorker);
    ctx_->save.discardPartial = true;
    stopWorker(ctx_->saveWorker);
    stopWorker(ctx_->logLoadThread);
    // The views and their adapters go before the context whose models they show.
    trees_.clear();
    delete takeCentralWidget();
}

void MainWindow::stopWorker(std::jthread& worker) {
    workers_.stop(worker);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closing_) {
        if (saveSummary_)
            saveSummary_->close(); // the program ends with its main window
        event->accept();
        return;
    }
    event->ignore();
    if (workers_.busy())
        return; // a close sequence is already ending the worker and closes the window
    // The close box and Escape run the close sequence, which closes the window itself.
    QTimer::singleShot(0, this, [this] {
        if (!destroying_)
            wizard_->closeSequence();
    });
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (!workers_.busy())
            wizard_->closeSequence();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::stopRunningWorker() {
    if (rawRecovery_->running())
        rawRecovery_->stop();
    else if (ctx_->scanWorkerRunning)
        stopWorker(ctx_->scanWorker);
    else if (ctx_->partitionSearchRunning)
        stopWorker(ctx_->partitionSearchThread);
    else if (ctx_->fileSystemWorkerRunning)
        stopWorker(ctx_->fileSystemWorker);
    // The program ends: a save still writing stops and leaves no half-written file.
    ctx_->save.discardPartial = true;
    stopWorker(ctx_->saveWorker);
}

// "&Stop Searching": the worker is asked to stop and served until it has, so that a
// question it is asking cannot wait on this thread; then the search is finished.
void MainWindow::stopSearching() {
    ctx_->scanWorker.request_stop();
    while (ctx_->scanWorkerRunning) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    // A close may already be joining the thread, which ends just after its flag clears;
    // StopSearch would join it a second time. The window is closing anyway.
    if (workers_.waitIfStopping(ctx_->scanWorker))
        return;
    app::StopSearch(*ctx_);
}

} // namespace qr::gui
