#pragma once
// The two progress dialogs of a save, "Calculating File Size" and "Saving", as state
// machines the GUI drives from its paint and button handlers. Each starts its pass on
// the context's save worker and closes on the first paint after the pass has ended.
#include "app/RecoveryContext.h"

#include <atomic>
#include <functional>

namespace qr::ui {

class SaveWorkerDialog {
public:
    // `repaint` is called from the worker when the pass has ended.
    SaveWorkerDialog(app::RecoveryContext& context, std::function<void()> repaint);
    virtual ~SaveWorkerDialog();

    // Paint handler: starts the pass on the first paint; returns true when the dialog
    // should close now (the pass has ended; the worker is joined).
    bool paint();
    bool finished() const { return finished_; }

protected:
    virtual void runPass() = 0;
    app::RecoveryContext& context_;

private:
    std::function<void()> repaint_;
    bool started_ = false;
    std::atomic<bool> finished_{false};
};

// "Calculating File Size": runs the counting pass. "Stop " and "Cancel" both end the
// count (between sectors) and cancel the save.
class CalculatingSizeDialog final : public SaveWorkerDialog {
public:
    using SaveWorkerDialog::SaveWorkerDialog;
    void stop();
    bool cancelled() const { return cancelled_; }

private:
    void runPass() override;
    bool cancelled_ = false;
};

// "Saving": runs the writing pass. "S&kip" skips the current file, "&Stop" ends the
// save; neither closes the dialog.
class SavingDialog final : public SaveWorkerDialog {
public:
    using SaveWorkerDialog::SaveWorkerDialog;
    void skip();
    void stop();

private:
    void runPass() override;
};

} // namespace qr::ui
