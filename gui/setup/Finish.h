#pragma once
// The closing window: FINISH starts the installed program when the box is ticked.
#include "BkDialogST.h"
#include "SetupHooks.h"

class QCheckBox;

namespace qr::setupgui {

class Btn;

class Finish : public BkDialogST {
    Q_OBJECT
public:
    Finish(SetupHooks hooks, QString program, QWidget* parent = nullptr);
    QWidget* control(int number) const;
    bool launchAfterFinish() const;

protected:
    void closeEvent(QCloseEvent* event) override; // the title bar's close does nothing

private:
    void finish();

    SetupHooks hooks_;
    QString program_;
    QCheckBox* launch_;
    bool closing_ = false;
};

} // namespace qr::setupgui
