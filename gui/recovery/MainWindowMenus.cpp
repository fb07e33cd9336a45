// The menu bar and the image buttons' commands: their texts, descriptions and actions.
#include "CommandIds.h"
#include "MainWindow.h"
#include "app/Contacts.h"
#include "app/DesktopOpen.h"
#include "app/StopQuestion.h"
#include "dialogs/SaveDialogs.h"
#include "dialogs/SimpleDialogs.h"
#include "platform/Programs.h"
#include "reports/ReportCommands.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace qr::gui {

namespace item = app::item;

namespace {

// The help file installed beside the program, opened with the desktop's browser.
const char* const kHelpFile = "Help.html";

} // namespace

void MainWindow::buildMenus() {
    auto add = [this](QMenu* menu, int id, const QString& text, auto fn) {
        QAction* a = menu->addAction(text);
        actions_.insert(id, a);
        connect(a, &QAction::triggered, this, fn);
        return a;
    };
    QMenu* options = menuBar()->addMenu("&Options");
    add(options, command::kSelectAll, "Select &All files", [this] { selectAllFiles(); });
    add(options, command::kSave, "&Save ", [this] {
        saveSelection(fileListActive_ ? output::kSaveSourceList : output::kSaveSourceTree);
    });
    add(options, command::kSaveSettings, "Save Se&ttings", [this] {
        SettingsDialog dialog(this, *ctx_);
        dialog.exec();
    });
    QMenu* later = options->addMenu("Save &later");
    add(later, command::kSaveLog, "Save Log",
        [this] { app::SaveLogCommand(*ctx_, logDialogs(), app::LogCommandSource::Menu); });
    add(later, command::kLoadLog, "Load Log",
        [this] { app::LoadLogCommand(*ctx_, logDialogs(), app::LogCommandSource::Menu); });
    add(options, command::kAddDiskImage, "Add Disk Image...", [this] {
        QString path = QFileDialog::getOpenFileName(this, "Add Disk Image");
        if (!path.isEmpty())
            addDiskImage(path.toStdString());
    });
    add(options, command::kCreateDiskImage, "Create Disk Image...",
        [this] { chooseImageDestination(); });
    options->addSeparator();
    add(options, command::kExit, "E&xit", [this] { menuExit(false); });

    QMenu* maintenance = menuBar()->addMenu("Maintenance");
    auto notAvailable = [this] {
        ctx_->messages->ask("This feature is not currently available", "Live Update",
                            platform::MessageIcon::Error, platform::MessageButtons::Ok);
    };
    add(maintenance, command::kUpdate, "Update", notAvailable);
    QMenu* report = maintenance->addMenu("Report");
    add(report, command::kViewReport, "View Report", [this] { reports_->viewReport(); });
    add(report, command::kPrintReport, "Print Report", [this] { reports_->printReport(); });
    add(report, command::kEmailReport, "Email Report", [this] { reports_->emailReport(); });
    add(report, command::kClearReports, "Clear Reports", [this] { reports_->clearReports(); });
    QMenu* dirList = maintenance->addMenu("Directory List");
    add(dirList, command::kDirectoryListView, "View", [this] { reports_->viewDirectoryList(); });
    add(dirList, command::kDirectoryListPrint, "Print", [this] { reports_->printDirectoryList(); });

    QMenu* support = menuBar()->addMenu("Support");
    add(support, command::kSupportOnline, "Online",
        [this] { app::OpenOnDesktop(*ctx_, app::kMakerWebSite); });
    add(support, command::kSupportEmail, "Email",
        [this] { ctx_->messages->inform("Send email to " + app::kSupportMail); });
    add(support, command::kSupportTelephone, "Telephonic", [this] {
        ctx_->messages->ask("Telephone Numbers : " + app::kSupportPhone1 + "\n" +
                                std::string(33, ' ') + ": " + app::kSupportPhone2 + "\n",
                            "Telephonic Support", platform::MessageIcon::Information,
                            platform::MessageButtons::Ok);
    });

    QMenu* help = menuBar()->addMenu("&Help");
    add(help, command::kHelpContents, "Contents        ",
        [this] { app::OpenOnDesktop(*ctx_, ctx_->installationPath + "/" + kHelpFile); });
    QAction* balloon = add(help, command::kBalloonHelp, "Show Balloon Help", [this] {
        balloonHelp_ = !balloonHelp_;
        actions_.value(command::kBalloonHelp)->setChecked(balloonHelp_);
        showBalloons(balloonHelp_);
    });
    balloon->setCheckable(true);
    balloon->setChecked(true);
    add(help, command::kAbout, "&About...", [this] { showAbout(); });

    describeCommands();
    showBalloons(true);
}

// Command descriptions: while balloon help is on, a menu item under the pointer shows
// its description as a balloon and on the status line.
void MainWindow::describeCommands() {
    const std::pair<int, const char*> descriptions[] = {
        {command::kSave, "Save files that have been selected "},
        {command::kSelectAll, "Select all files to save"},
        {command::kUpdate, "Update Quarrixdale Recovery-Memory Card"},
        {command::kSaveSettings, "Set the options for saving selected data"},
        {command::kCreateDiskImage,
         "Copy the selected disk into an image file, good areas first, keeping a rescue map"},
        {command::kSaveLog, "Save the recovery information"},
        {command::kLoadLog, "Load the recovery information"},
        {command::kViewReport, "View the recovery details"},
        {command::kPrintReport, "Print the recovery details"},
        {command::kEmailReport, "Mail the recovery details to Quarrixdale recovery centres"},
        {command::kSupportOnline, "Quarrixdale recovery centres on the web"},
        {command::kSupportEmail, "Support through email"},
        {command::kSupportTelephone, "Tele support details"},
        {command::kClearReports, "Delete all recovery logs"},
        {command::kDirectoryListView, "View Directory Information "},
        {command::kDirectoryListPrint, "Print Directory Information "},
        {command::kAbout, "About Quarrixdale Recovery-Memory Card "},
        {command::kExit, "Quits from Quarrixdale Recovery-Memory Card"}};
    for (auto [id, text] : descriptions)
        if (QAction* a = actions_.value(id))
            a->setToolTip(text);
    for (QMenu* menu : menuBar()->findChildren<QMenu*>()) {
        connect(menu, &QMenu::hovered, this, [this](QAction* a) { showDescription(a); });
        connect(menu, &QMenu::aboutToHide, this, [this] { showDescription(nullptr); });
    }
}

// Puts the action's description on the status line, or (null) gives the line its text back.
void MainWindow::showDescription(QAction* action) {
    auto* status = static_cast<QLabel*>(item(item::kStatusLine));
    const bool describe = action && balloonHelp_ && !action->toolTip().isEmpty() &&
                          action->toolTip() != action->text().remove('&');
    if (describe) {
        if (!describing_)
            statusBeforeMenu_ = status->text();
        describing_ = true;
        status->setText(action->toolTip());
    } else if (describing_) {
        describing_ = false;
        status->setText(statusBeforeMenu_);
    }
}

void MainWindow::showBalloons(bool on) {
    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        menu->setToolTipsVisible(on);
}

// The image buttons along the top of the window.
void MainWindow::connectCommands() {
    connect(static_cast<QPushButton*>(item(item::kSaveButton)), &QPushButton::clicked, this,
            [this] {
                saveSelection(fileListActive_ ? output::kSaveSourceList : output::kSaveSourceTree);
            });
    connect(static_cast<QPushButton*>(item(button::kHiddenSelectAll)), &QPushButton::clicked, this,
            [this] { selectAllFiles(); });
    connect(static_cast<QPushButton*>(item(button::kHelp)), &QPushButton::clicked,
            actions_.value(command::kHelpContents), &QAction::trigger);
    connect(static_cast<QPushButton*>(item(button::kAboutUs)), &QPushButton::clicked, this,
            [this] { showAbout(); });
    connect(static_cast<QPushButton*>(item(button::kWebSite)), &QPushButton::clicked, this,
            [this] { app::OpenOnDesktop(*ctx_, app::kMakerWebSite); });
    connect(static_cast<QPushButton*>(item(button::kCreateDiskImage)), &QPushButton::clicked, this,
            [this] { chooseImageDestination(); });
    connect(static_cast<QPushButton*>(item(button::kExit)), &QPushButton::clicked, this,
            [this] { menuExit(true); });
    connect(static_cast<QPushButton*>(item(item::kSaveLogButton)), &QPushButton::clicked, this,
            [this] { app::SaveLogCommand(*ctx_, logDialogs(), app::LogCommandSource::Button); });
    connect(static_cast<QPushButton*>(item(item::kLoadLogButton)), &QPushButton::clicked, this,
            [this] { app::LoadLogCommand(*ctx_, logDialogs(), app::LogCommandSource::Button); });
}

void MainWindow::menuExit(bool fromButton) {
    // A search running behind the question waits for the answer.
    if (!app::AskToStopWithReadsPaused(
            *ctx_, fromButton ? "Do you want to exit from Quarrixdale Recovery-Memory Card?"
                              : "Do you want to Exit?"))
        return;
    if (fromButton)
        ctx_->shell().open(app::kMakerWebSite);
    bool scanRan = ctx_->scanWorkerRunning;
    stopRunningWorker();
    if (ctx_->wizardStage == 3 && !scanRan)
        ctx_->messages->askYesNo("Do you want to save the recovery?");
    closeWindow();
}

} // namespace qr::gui
