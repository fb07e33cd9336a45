#include "Exit.h"

#include "Artwork.h"
#include "Btn.h"
#include "setup/InstallerFiles.h"

namespace qr::setupgui {

Exit::Exit(QWidget* parent) : BkDialogST(parent) {
    setWindowTitle(QString::fromStdString(setup::kSetupCaption));
    setFixedSize(at(kExitSize));
    setBitmap(ExitBackground(artScale()));
    const QSize size(96, 26);
    resume_ = new Btn("Resume", this);
    resume_->setObjectName("2");
    resume_->setImages(ButtonImages("Resume", ButtonTone::Blue, size, artScale()));
    resume_->setTooltipText("Resume");
    resume_->move(at(kExitSize.width() - 2 * size.width() - 24, 112));
    exit_ = new Btn("Exit Setup", this);
    exit_->setObjectName("3");
    exit_->setImages(ButtonImages("Exit Setup", ButtonTone::Slate, size, artScale()));
    exit_->setTooltipText("Exit");
    exit_->move(at(kExitSize.width() - size.width() - 14, 112));
    resume_->setFocus();
    connect(resume_, &QPushButton::clicked, this, &QDialog::reject);
    connect(exit_, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace qr::setupgui
