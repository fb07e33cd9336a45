#pragma once
// The cancel question: Resume goes back to the wizard, Exit Setup ends the installer.
#include "BkDialogST.h"

namespace qr::setupgui {

class Btn;

class Exit : public BkDialogST {
    Q_OBJECT
public:
    // Accepted means "Exit Setup".
    explicit Exit(QWidget* parent = nullptr);
    Btn* resume() const { return resume_; }
    Btn* exitSetup() const { return exit_; }

private:
    Btn* resume_;
    Btn* exit_;
};

} // namespace qr::setupgui
