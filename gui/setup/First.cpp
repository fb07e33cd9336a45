#include "First.h"

#include "Artwork.h"
#include "Btn.h"
#include "ColorStatic.h"
#include "Exit.h"
#include "FontScale.h"
#include "platform/Programs.h"
#include "setup/InstallerFiles.h"
#include "setup/LicenceText.h"
#include "setup/SystemFolders.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>

namespace qr::setupgui {

namespace {

const QString kTitle = QString::fromStdString(setup::kSetupCaption);
constexpr int kButtonsY = 327;

template <class Control> Control* numbered(Control* c, int number) {
    c->setObjectName(QString::number(number));
    return c;
}

QLabel* label(BkDialogST* parent, int number, const QString& text, const QRect& where,
              const QColor& back) {
    auto* l = numbered(new QLabel(text, parent), number);
    l->setGeometry(parent->at(where));
    l->setWordWrap(true);
    (new ColorStatic(l))->setBkColor(back);
    return l;
}

Btn* button(BkDialogST* parent, int number, const QString& text, const QString& tip, int x, int y,
            const std::vector<QPixmap>& images) {
    auto* b = numbered(new Btn(text, parent), number);
    b->setImages(images);
    b->move(parent->at(x, y));
    b->setTooltipText(tip);
    return b;
}

} // namespace

First::First(SetupHooks hooks, QWidget* parent) : BkDialogST(parent), hooks_(std::move(hooks)) {
    setWindowTitle(kTitle);
    setFixedSize(at(kWizardSize));
    QFont f("DejaVu Sans");
    f.setPixelSize(gui::scaled(11, layoutScale()));
    setFont(f);
    setMode(Tile);

    back_ = button(this, id::kBack, "BACK", "Back", 270, kButtonsY, images("< BACK"));
    next_ = button(this, id::kNext, "NEXT", "Next", 366, kButtonsY, images("NEXT >"));
    cancel_ = button(this, id::kCancel, "Cancel", "Cancel", 462, kButtonsY, images("Cancel"));
    browse_ = button(this, id::kBrowse, "Browse", "Browse", 454, 156, images("Browse..."));

    const int x = kPanel.left() + 10, w = kPanel.width() - 20;
    licenceHint_ = label(this, id::kLicenceHint, "Please read the licence agreement carefully.",
                         QRect(x, 74, w, 18), kPanelGrey);
    licence_ = numbered(new QPlainTextEdit(this), id::kLicenceText);
    licence_->setReadOnly(true);
    licence_->setGeometry(at(QRect(x, 96, w, 150)));
    new ColorStatic(licence_);
    accepted_ = numbered(new QCheckBox(this), id::kAccepted);
    accepted_->setGeometry(at(QRect(x, 258, 18, 18)));
    acceptLabel_ = label(this, id::kAcceptLabel,
                         "I accept all the terms and conditions of preceding licence agreement.",
                         QRect(x + 22, 254, w - 22, 30), kPanelGrey);

    label(this, id::kDestinationLabel, "Destination Folder", QRect(x, 136, 200, 18), kPanelGrey);
    destination_ = numbered(new QLineEdit(this), id::kDestination);
    destination_->setReadOnly(true);
    destination_->setGeometry(at(QRect(x, 158, 270, 22)));
    new ColorStatic(destination_);
    label(this, id::kDriveSizeLabel, "Selected Drive Space", QRect(x, 204, 150, 18), kPanelGrey);
    label(this, id::kDriveSize, "", QRect(x + 170, 204, 150, 18), kPanelGrey);
    label(this, id::kFreeLabel, "Drive Free Space", QRect(x, 226, 150, 18), kPanelGrey);
    label(this, id::kFree, "", QRect(x + 170, 226, 150, 18), kPanelGrey);
    label(this, id::kRequiredLabel, "Space Required", QRect(x, 248, 150, 18), kPanelGrey);
    label(this, id::kRequired, "20.0 MB", QRect(x + 170, 248, 150, 18), kPanelGrey);

    installingLabel_ =
        label(this, id::kInstalling, "Installing...", QRect(x, 150, 200, 18), kPanelGrey);
    progress_ = numbered(new QProgressBar(this), id::kProgress);
    progress_->setRange(0, 100);
    progress_->setGeometry(at(QRect(x, 172, w, 20)));

    connect(next_, &QPushButton::clicked, this, &First::next);
    connect(back_, &QPushButton::clicked, this, &First::back);
    connect(cancel_, &QPushButton::clicked, this, &First::cancel);
    connect(browse_, &QPushButton::clicked, this, &First::browse);
    connect(accepted_, &QCheckBox::toggled, this, &First::ticked);

    showLicenceControls(false);
    showDestinationControls(false);
    installingLabel_->hide();
    progress_->hide();
    showWelcome();
}

std::vector<QPixmap> First::images(const QString& words, ButtonTone tone) const {
    return ButtonImages(words, tone, kButtonSize, artScale());
}

QWidget* First::control(int number) const {
    return findChild<QWidget*>(QString::number(number));
}

void First::showWelcome() {
    setBitmap(WizardBackground(1, artScale()));
    next_->setImages(images("NEXT >"));
    next_->setText("NEXT");
    next_->setEnabled(true);
    back_->hide();
    back_->setEnabled(false);
    showLicenceControls(false);
    stage_ = 1;
}

void First::showLicence() {
    setBitmap(WizardBackground(2, artScale()));
    back_->show();
    back_->setEnabled(true);
    accepted_->setChecked(false);
    next_->setImages(images("ACCEPT"));
    next_->setText("ACCEPT");
    next_->setEnabled(false);
    back_->setImages(images("< BACK", ButtonTone::Slate));
    cancel_->setImages(images("Cancel", ButtonTone::Slate));
    ColorStatic::of(licence_)->setBkColor(Qt::white);
    QStringList lines;
    for (const std::string& line : setup::LicenceLines())
        lines << QString::fromStdString(line);
    licence_->setPlainText(lines.join("\n"));
    showLicenceControls(true);
    showDestinationControls(false);
    stage_ = 2;
}

void First::showDestination() {
    setBitmap(WizardBackground(3, artScale()));
    next_->setImages(images("NEXT >"));
    next_->setText("NEXT");
    ColorStatic::of(destination_)->setBkColor(Qt::white);
    for (int n : {id::kDriveSize, id::kFree, id::kRequired})
        ColorStatic::of(control(n))->setBkColor(kPanelGrey);
    showLicenceControls(false);
    showDestinationControls(true);
    basePath_ = QString::fromStdString(setup::ProgramFilesFolder());
    showDestinationText();
    updateSpaceFigures();
    stage_ = 3;
}

void First::showLicenceControls(bool shown) {
    for (QWidget* c : {static_cast<QWidget*>(licence_), static_cast<QWidget*>(licenceHint_),
                       static_cast<QWidget*>(acceptLabel_), static_cast<QWidget*>(accepted_)})
        c->setVisible(shown);
}

void First::showDestinationControls(bool shown) {
    for (int n : {id::kDestination, id::kBrowse, id::kDriveSize, id::kFree, id::kRequired,
                  id::kDriveSizeLabel, id::kFreeLabel, id::kRequiredLabel, id::kDestinationLabel})
        control(n)->setVisible(shown);
}

void First::showDestinationText() {
    destination_->setText(
        QString::fromStdString(setup::DestinationFolder(basePath_.toStdString())));
    destination_->setCursorPosition(0);
    destination_->setToolTip(destination_->text());
}

void First::updateSpaceFigures() {
    auto* size = static_cast<QLabel*>(control(id::kDriveSize));
    auto* free = static_cast<QLabel*>(control(id::kFree));
    size->clear();
    free->clear();
    if (basePath_.isEmpty()) {
        if (hooks_.messages)
            hooks_.messages->ask(setup::kNoDriveText, setup::kNoDriveCaption,
                                 platform::MessageIcon::Information, platform::MessageButtons::Ok);
        return;
    }
    if (auto space = setup::SpaceOf(basePath_.toStdString())) {
        size->setText(QString::fromStdString(setup::MegabytesText(space->totalBytes)));
        free->setText(QString::fromStdString(setup::MegabytesText(space->freeBytes)));
    }
}

void First::next() {
    switch (stage_) {
    case 1:
        showLicence();
        break;
    case 2:
        if (accepted_->isChecked())
            showDestination();
        break;
    case 3:
        install();
        break;
    }
}

void First::back() {
    if (stage_ == 2)
        showWelcome();
    else if (stage_ == 3)
        showLicence();
}

void First::ticked() {
    if (stage_ == 2)
        next_->setEnabled(accepted_->isChecked());
}

void First::browse() {
    if (hooks_.chooseFolder)
        if (auto chosen = hooks_.chooseFolder(this, "Select drive/folder for installation:"))
            basePath_ = *chosen;
    if (setup::OnRemovableOrOpticalDrive(basePath_.toStdString())) {
        if (hooks_.messages)
            hooks_.messages->ask(setup::kRemovableDrive, setup::kSetupCaption,
                                 platform::MessageIcon::Error, platform::MessageButtons::Ok);
        basePath_ = QString::fromStdString(setup::ProgramFilesFolder());
    }
    showDestinationText();
    // The figures follow the chosen folder's drive, not the one first shown.
    updateSpaceFigures();
}

void First::install() {
    installing_ = true;
    setBitmap(WizardBackground(4, artScale()));
    showDestinationControls(false);
    installingLabel_->show();
    progress_->show();
    progress_->setValue(0);
    back_->setEnabled(false);
    next_->setEnabled(false);
    repaint();

    setup::InstallRequest request;
    request.sourceFolder =
        setup::SourceFolder(QDir::currentPath().toStdString(), platform::ProgramFolder());
    request.basePath = basePath_.toStdString();
    request.programsFolder = setup::ProgramsFolder();
    request.desktopFolder = setup::DesktopFolder();
    request.registry = hooks_.registry;
    request.registryFile = hooks_.registryFile;
    request.messages = hooks_.messages;
    request.progress = [this](int percent) {
        progress_->setValue(percent);
        progress_->repaint();
    };
    request.pause = hooks_.pause;
    result_ = setup::Install(request);
    installing_ = false;
    accept();
}

void First::cancel() {
    if (installing_)
        return; // the installation runs to its end once started
    Exit question(this);
    if (question.exec() == QDialog::Accepted && hooks_.exitProcess)
        hooks_.exitProcess();
}

void First::reject() {
    cancel();
}

void First::closeEvent(QCloseEvent* event) {
    event->ignore();
    cancel();
}

} // namespace qr::setupgui
