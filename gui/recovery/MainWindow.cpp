#include "MainWindow.h"

#include "FileTypeList.h"

#include "CommandIds.h"
#include "FileListAdapter.h"
#include "PanelTree.h"
#include "TreeAdapter.h"
#include "app/DesktopOpen.h"
#include "app/DiskCommands.h"
#include "app/ExtractCommands.h"
#include "app/FolderCommands.h"
#include "app/WalkedTree.h"
#include "dialogs/SaveDialogs.h"
#include "dialogs/SaveQuestionsGui.h"
#include "dialogs/SaveSummaryDialog.h"
#include "dialogs/SimpleDialogs.h"
#include "disk/DiskListing.h"
#include "disk/DiskRegistry.h"
#include "disk/SectorReader.h"
#include "model/FolderTreeEvents.h"
#include "output/OpenListEntry.h"
#include "output/SaveEndNotice.h"
#include "output/SaveSummaryText.h"
#include "platform/RegistryStore.h"
#include "reports/ReportCommands.h"
#include "skin/ModeButton.h"
#include "skin/Skin.h"

#include <QCheckBox>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

#include <chrono>
#include <thread>
#include <utility>

namespace qr::gui {

namespace item = app::item;

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// Asks which program should open a file that has no associated program.
class ProgramChooserDialog final : public output::ProgramChooser {
public:
    explicit ProgramChooserDialog(QWidget* owner) : owner_(owner) {}
    std::string chooseProgram(const std::string& path) override {
        return QInputDialog::getText(owner_, "Open With", "Program to open " + qs(path) + " with:")
            .trimmed()
            .toStdString();
    }

private:
    QWidget* owner_;
};

} // namespace

MainWindow::MainWindow(MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)) {
    setWindowTitle("QuarrixdaleRecovery - Memory Card  ");
    setWindowIcon(QIcon(skinImage("icon")));
    boxes_.setOwner(this);
    app::Services services;
    services.window = this;
    services.messages = options_.messages ? options_.messages : &boxes_;
    services.registry = options_.registry;
    services.shell = options_.shell;
    ctx_ = std::make_unique<app::RecoveryContext>(services);
    // The walk's tree is shown while the sweep for lost folders runs.
    ctx_->showWalkedTree = true;
    app::WizardEngines engines = app::defaultWizardEngines();
    engines.saveRecoveryLog = [this](app::RecoveryContext& ctx) {
        app::SaveRecoveryLog(ctx, logDialogs().chooseSavePath);
    };
    // Building a picked file system's tree shows the wait window until the worker ends.
    engines.startFileSystemWorker =
        [this, start = engines.startFileSystemWorker](app::RecoveryContext& ctx) {
            showWaitPopup();
            if (start)
                start(ctx);
            closeWaitPopupWhenIdle();
        };
    wizard_ = std::make_unique<app::Wizard>(*ctx_, *this, std::move(engines));
    // The raw search asks for its destination in "Save As".
    rawRecovery_ =
        std::make_unique<app::RawRecovery>(*ctx_, *this, [this]() -> std::optional<std::string> {
            SaveAsDialog saveAs(this, *ctx_, ctx_->reader->selectedDeviceName());
            if (saveAs.exec() != QDialog::Accepted)
                return std::nullopt;
            return ctx_->save.destinationFolder;
        });
    saveQuestions_ = std::make_unique<SaveQuestionsGui>(this);
    reports_ = std::make_unique<ReportCommands>(this, *ctx_, options_.printers, options_.mailer);

    buildLayout();
    connectCommands();
    connectEngines();
    relayout();
    // Opens at the placed size; larger is allowed, smaller not.
    setMinimumSize(sizeHint());
    resize(sizeHint());
}

// The wizard's own controls and the engines' views: steps, modes, trees and the file list.
void MainWindow::connectEngines() {
    connect(static_cast<QPushButton*>(item(item::kBack)), &QPushButton::clicked, this, [this] {
        wizard_->back();
        relayout();
    });
    connect(static_cast<QPushButton*>(item(item::kNext)), &QPushButton::clicked, this, [this] {
        wizard_->next();
        relayout();
    });
    connect(static_cast<QPushButton*>(item(item::kSearchPartition)), &QPushButton::clicked, this,
            [this] { wizard_->searchMorePartitions(); });
    connect(static_cast<QPushButton*>(item(item::kStopSearchPartition)), &QPushButton::clicked,
            this, [this] { wizard_->stopPartitionSearch(); });
    for (int id : {item::kQuickMode, item::kAdvancedMode, item::kRawMode})
        connect(static_cast<ModeButton*>(item(id)), &ModeButton::chosen, this,
                [this](int mode) { wizard_->chooseMode(std::uint16_t(mode)); });
    connect(static_cast<QRadioButton*>(item(item::kEntireDisk)), &QRadioButton::clicked, this,
            [this] { wizard_->setRawRange(true); });
    connect(static_cast<QRadioButton*>(item(item::kSectorRange)), &QRadioButton::clicked, this,
            [this] { wizard_->setRawRange(false); });
    connect(static_cast<QPushButton*>(item(item::kStartRecovery)), &QPushButton::clicked, this,
            [this] { rawRecovery_->startOrStop(); });
    connect(static_cast<QCheckBox*>(item(item::kRawMetadataNames)), &QCheckBox::toggled, this,
            [this](bool on) { rawRecovery_->setMetadataNames(on); });
    connect(static_cast<QCheckBox*>(item(item::kRawEveryKind)), &QCheckBox::toggled, this,
            [this](bool on) {
                FillFileTypes(*static_cast<QListWidget*>(item(item::kFileTypeList)), on);
            });
    auto* disks = tree(item::kDiskTree);
    connect(disks, &PanelTree::itemClicked, this, [this](const QModelIndex& index, bool) {
        wizard_->clickDisk(treeAdapter(item::kDiskTree)->itemOf(index));
    });
    auto* partitions = tree(item::kPartitionTree);
    connect(partitions, &PanelTree::itemClicked, this, [this](const QModelIndex& index, bool) {
        wizard_->clickPartition(treeAdapter(item::kPartitionTree)->itemOf(index));
    });
    auto* fileSystems = tree(item::kFileSystemTree);
    connect(fileSystems, &PanelTree::itemClicked, this, [this](const QModelIndex& index, bool) {
        wizard_->clickFileSystem(treeAdapter(item::kFileSystemTree)->itemOf(index));
    });
    auto* folders = tree(item::kRecoveryTree);
    auto* folderModel = treeAdapter(item::kRecoveryTree);
    connect(folders, &PanelTree::itemClicked, this,
            [this, folderModel](const QModelIndex& index, bool onCheckBox) {
                if (app::BrowsingBlocked(*ctx_))
                    return;
                fileListActive_ = false;
                app::OnFolderItemClicked(*ctx_, folderModel->itemOf(index), onCheckBox);
            });
    connect(folders, &QTreeView::expanded, this, [this, folderModel](const QModelIndex& index) {
        if (!folderModel->restoring() && !app::BrowsingBlocked(*ctx_))
            app::OnFolderItemExpanding(*ctx_, folderModel->itemOf(index), true);
    });
    connect(folders, &QTreeView::collapsed, this, [this, folderModel](const QModelIndex& index) {
        if (!folderModel->restoring() && !app::BrowsingBlocked(*ctx_))
            app::OnFolderItemExpanding(*ctx_, folderModel->itemOf(index), false);
    });
    connect(folders, &PanelTree::enterPressed, this, [this, folders, folderModel] {
        if (app::BrowsingBlocked(*ctx_))
            return;
        // Enter lists the highlighted folder: the arrow keys move the highlight without
        // telling the model, which otherwise still holds the last clicked folder.
        const model::TreeItem highlighted = folderModel->itemOf(folders->currentIndex());
        if (highlighted != model::kNoItem)
            ctx_->recoveryTree.setSelected(highlighted);
        app::OnFolderEnterKey(*ctx_);
    });
    connect(folders, &PanelTree::leftPressed, this, [this] { app::OnFolderLeftKey(*ctx_); });
    connect(folders, &PanelTree::rightPressed, this, [this] { app::OnFolderRightKey(*ctx_); });
    folders->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(folders, &QWidget::customContextMenuRequested, this, [this, folders](const QPoint& p) {
        showContextMenu(folders->viewport()->mapToGlobal(p), output::kSaveSourceTree);
    });
    connect(fileListView_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        if (ctx_->wizardStage == 3 && fileListView_->selectionModel()->hasSelection())
            showContextMenu(fileListView_->viewport()->mapToGlobal(p), output::kSaveSourceList);
    });
    connect(fileListView_, &QTreeView::pressed, this, [this] { fileListActive_ = true; });
    connect(static_cast<QPushButton*>(item(item::kStopSearch)), &QPushButton::clicked, this,
            [this] { stopSearching(); });
    connect(fileListView_, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { openListRow(fileList_->sourceRow(index)); });
    ctx_->save.replaceQuestion = saveQuestions_.get();
    ctx_->save.writeErrorQuestion = saveQuestions_.get();
    ctx_->showNoMediaDialog = [this] { showNoMedia(); };

    // F6: the tree of the current step; F7: the file list.
    connect(new QShortcut(QKeySequence(Qt::Key_F6), this), &QShortcut::activated, this, [this] {
        const int stage = ctx_->wizardStage;
        if (stage == 1) {
            tree(item::kPartitionTree)->setFocus();
        } else if (stage == 2 && ctx_->searchMode == app::kSearchAdvanced) {
            tree(item::kFileSystemTree)->setFocus();
        } else if (stage >= 2) {
            tree(item::kRecoveryTree)->setFocus();
            ctx_->clickSelects = true;
        }
    });
    connect(new QShortcut(QKeySequence(Qt::Key_F7), this), &QShortcut::activated, this,
            [this] { fileListView_->setFocus(); });
}

PanelTree* MainWindow::tree(int itemId) const {
    return static_cast<PanelTree*>(item(itemId));
}

TreeAdapter* MainWindow::treeAdapter(int itemId) const {
    return trees_.value(itemId);
}

// Tab moves the focus between the folder tree and the file list; Enter opens a row.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const int stage = ctx_->wizardStage;
    if (key->key() == Qt::Key_Tab && stage >= 2) {
        if (watched == fileListView_)
            tree(stage == 2 && ctx_->searchMode == app::kSearchAdvanced ? item::kFileSystemTree
                                                                        : item::kRecoveryTree)
                ->setFocus();
        else
            fileListView_->setFocus();
        return true;
    }
    if (watched == fileListView_ && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        openListRow(fileList_->sourceRow(fileListView_->currentIndex()));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

app::StartupResult MainWindow::initialise() {
    auto result =
        app::InitialiseMainWindow(*ctx_, *this, [this](app::RecoveryContext&) { listDisks(); });
    relayout();
    return result;
}

void MainWindow::listDisks() {
    if (options_.registry)
        disk::RegisterDiskImages(*options_.registry, options_.images);
    if (const disk::ListingResult listed = app::ListDisks(*ctx_);
        listed == disk::ListingResult::EndProcess || listed == disk::ListingResult::Ended)
        std::exit(1);
}

void MainWindow::showAbout() {
    AboutDialog dialog(this, qs(app::RegisteredOwnerText(*ctx_)));
    dialog.exec();
}

// Half a second after the window has appeared, the No Media dialog. The prompt thread
// only hands the dialog to this thread, so it never waits on the window.
void MainWindow::startNoMediaPrompt() {
    ctx_->noDiskPromptThread = std::jthread([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        QMetaObject::invokeMethod(
            this, [this] { showNoMedia(); }, Qt::QueuedConnection);
    });
}

void MainWindow::showNoMedia() {
    if (destroying_)
        return; // a prompt that fired while the window ends its workers
    NoMediaDialog dialog(this);
    if (dialog.exec() == QDialog::Accepted)
        app::ListDisksFromRegistry(*ctx_);
    else
        std::exit(0);
}

// Enter or a double click on a row: a folder opens, a file is extracted and opened.
void MainWindow::openListRow(int row) {
    if (ctx_->wizardStage != 3 || app::BrowsingBlocked(*ctx_) || row < 0)
        return;
    // The tree stays as it is while the file opens (the sweep's folders wait to join).
    std::unique_lock browsing(ctx_->browseMutex, std::try_to_lock);
    if (!browsing)
        return;
    output::PosixProcessLauncher launcher;
    ProgramChooserDialog chooser(this);
    app::OpenListEntry(*ctx_, row, {&launcher, &chooser});
}

void MainWindow::showContextMenu(const QPoint& globalPos, std::uint16_t source) {
    if (ctx_->wizardStage != 3)
        return;
    QMenu menu(this);
    QAction* save = menu.addAction("Save");
    menu.setDefaultAction(save);
    if (menu.exec(globalPos) == save)
        saveSelection(source);
}

void MainWindow::selectAllFiles() {
    if (ctx_->wizardStage < 2)
        return;
    fileListView_->selectAll();
    fileListView_->setFocus();
    fileListActive_ = true;
    // The focus mark goes to row 0 without touching the selection.
    fileListView_->selectionModel()->setCurrentIndex(fileList_->viewIndex(0),
                                                     QItemSelectionModel::NoUpdate);
}

void MainWindow::saveSelection(std::uint16_t source) {
    if (ctx_->wizardStage != 3 || app::BrowsingBlocked(*ctx_))
        return;
    // A save during the sweep saves the walk's tree as ticked: the sweep's folders join
    // the tree once it ended.
    std::unique_lock browsing(ctx_->browseMutex, std::try_to_lock);
    if (!browsing)
        return;
    ctx_->save.saveSource = source;
    SaveAsDialog saveAs(this, *ctx_, ctx_->reader->selectedDeviceName());
    if (saveAs.exec() != QDialog::Accepted)
        return;
    CalculatingDialog counting(this, *ctx_);
    if (counting.exec() != QDialog::Accepted || counting.cancelled())
        return;
    if (ctx_->save.counters.filesToSave == 0) {
        ctx_->messages->inform("No file is selected to save");
        return;
    }
    SavingDialog saving(this, *ctx_);
    saving.exec();
    if (const std::string notice = output::SaveEndNotice(ctx_->save.summary); !notice.empty())
        ctx_->messages->inform(notice);
    showSaveSummary();
}

void MainWindow::showSaveSummary() {
    if (!ctx_->save.summary.refused.empty())
        return; // already told why nothing was written
    if (saveSummary_)
        saveSummary_->close();
    const std::string destination = ctx_->save.destinationFolder;
    // A window of its own (no parent): it stays open beside the main window and is
    // closed with it.
    saveSummary_ =
        new SaveSummaryDialog(nullptr, output::SaveSummaryLines(ctx_->save.summary, destination),
                              [this, destination] { app::OpenOnDesktop(*ctx_, destination); });
    saveSummary_->show();
}

} // namespace qr::gui
