#include "ui/SaveDialogsModel.h"

#include "app/SaveCommands.h"
#include "output/SavePasses.h"

namespace qr::ui {

SaveWorkerDialog::SaveWorkerDialog(app::RecoveryContext& context, std::function<void()> repaint)
    : context_(context), repaint_(std::move(repaint)) {}

SaveWorkerDialog::~SaveWorkerDialog() {
    if (context_.saveWorker.joinable()) {
        context_.save.stopSaving = true;
        context_.saveWorker = {};
    }
}

bool SaveWorkerDialog::paint() {
    if (!started_) {
        started_ = true;
        context_.saveWorker = std::jthread([this](std::stop_token stop) {
            std::stop_callback onStop(stop, [this] { context_.save.stopSaving = true; });
            runPass();
            finished_ = true;
            if (repaint_)
                repaint_();
        });
        return false;
    }
    if (!finished_)
        return false;
    context_.saveWorker = {};
    return true;
}

void CalculatingSizeDialog::stop() {
    cancelled_ = true;
    context_.save.stopSaving = true;
}

void CalculatingSizeDialog::runPass() {
    app::CountSaveSelection(context_);
}

void SavingDialog::skip() {
    context_.save.skipCurrent = true;
}

void SavingDialog::stop() {
    context_.save.stopSaving = true;
}

void SavingDialog::runPass() {
    app::WriteSavePlan(context_);
}

} // namespace qr::ui
