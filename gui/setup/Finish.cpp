#include "Finish.h"

#include "Artwork.h"
#include "Btn.h"
#include "setup/InstallerFiles.h"

#include <QCheckBox>
#include <QCloseEvent>

namespace qr::setupgui {

Finish::Finish(SetupHooks hooks, QString program, QWidget* parent)
    : BkDialogST(parent), hooks_(std::move(hooks)), program_(std::move(program)) {
    setWindowTitle(QString::fromStdString(setup::kSetupCaption));
    setFixedSize(at(kWizardSize));
    setBitmap(FinishBackground(artScale()));

    auto* finish = new Btn("FINISH", this);
    finish->setObjectName("1");
    finish->setImages(ButtonImages("FINISH", ButtonTone::Blue, kButtonSize, artScale()));
    finish->setTooltipText("Finish");
    finish->move(at(366, 327));
    auto* back = new Btn("BACK", this);
    back->setObjectName("3");
    back->setImages(ButtonImages("< BACK", ButtonTone::Blue, kButtonSize, artScale()));
    back->setTooltipText("Back");
    back->move(at(270, 327));
    back->setEnabled(false);
    auto* cancel = new Btn("Cancel", this);
    cancel->setObjectName("2");
    cancel->setImages(ButtonImages("Cancel", ButtonTone::Blue, kButtonSize, artScale()));
    cancel->setTooltipText("Cancel");
    cancel->move(at(462, 327));
    cancel->setEnabled(false);
    cancel->hide();

    // Its words are in the picture beside it.
    launch_ = new QCheckBox(this);
    launch_->setObjectName("1005");
    launch_->setAccessibleName(
        "Yes, Launch the Quarrixdale Recovery (Evaluation) - Memory Card Media");
    launch_->setGeometry(at(QRect(kPanel.left() + 10, 202, 18, 18)));
    launch_->setChecked(true);
    finish->setFocus();
    connect(finish, &QPushButton::clicked, this, &Finish::finish);
}

QWidget* Finish::control(int number) const {
    return findChild<QWidget*>(QString::number(number));
}

bool Finish::launchAfterFinish() const {
    return launch_->isChecked();
}

void Finish::finish() {
    if (launch_->isChecked() && hooks_.launch)
        hooks_.launch(program_);
    closing_ = true;
    accept();
}

void Finish::closeEvent(QCloseEvent* event) {
    if (!closing_)
        event->ignore();
}

} // namespace qr::setupgui
