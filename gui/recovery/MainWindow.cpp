#include "MainWindow.h"

#include "FileListAdapter.h"
#include "PanelTree.h"
#include "TreeAdapter.h"
#include "app/ScanDriver.h"
#include "dialogs/SaveDialogs.h"
#include "dialogs/SaveQuestionsGui.h"
#include "dialogs/SimpleDialogs.h"
#include "disk/DiskListing.h"
#include "disk/DiskRegistry.h"
#include "disk/SectorReader.h"
#include "model/FolderTreeEvents.h"
#include "output/OpenListEntry.h"
#include "platform/Programs.h"
#include "platform/RegistryStore.h"
#include "raw/RawSignatures.h"
#include "skin/AnimatedPicture.h"
#include "skin/ImageButton.h"
#include "skin/ModeButton.h"
#include "skin/Skin.h"
#include "skin/TextProgress.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QRadioButton>
#include <QShortcut>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <thread>
#include <utility>

namespace qr::gui {

namespace item = app::item;

namespace {

constexpr int kWidth = 790;
constexpr int kHeight = 540;
const QRect kTreeRect(25, 174, 226, 255); // (25, 174) to (250, 428)

// Support and site values of this build.
const char* const kSupportMail = "support@quarrixdale.example";
const char* const kPhone1 = "+1 555 0100";
const char* const kPhone2 = "+1 555 0101";

// The window's background: the skin image under everything.
class Background : public QWidget {
public:
    explicit Background(QWidget* parent) : QWidget(parent), image_(skinImage("window")) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.drawPixmap(rect(), image_);
    }

private:
    QPixmap image_;
};

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
    app::WizardEngines engines = app::defaultWizardEngines();
    engines.saveRecoveryLog = [this](app::RecoveryContext& ctx) {
        app::SaveRecoveryLog(ctx, logDialogs().chooseSavePath);
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

    auto* central = new Background(this);
    central->setFixedSize(kWidth, kHeight);
    setCentralWidget(central);
    buildMenus();
    buildTopButtons(central);
    buildTrees(central);
    buildDiskStep(central);
    buildPartitionStep(central);
    buildSearchView(central);
    buildBottom(central);
    connectEngines();
    relayout();
    setFixedSize(sizeHint());
}

MainWindow::~MainWindow() {
    // Workers write to this window and may be waiting on it (a tree update, a question):
    // end them while it still exists, serving them until they have.
    destroying_ = true;
    ctx_->noDiskPromptThread = {};
    rawRecovery_->stop();
    stopWorker(ctx_->scanWorker);
    stopWorker(ctx_->partitionSearchThread);
    stopWorker(ctx_->saveWorker);
    stopWorker(ctx_->logLoadThread);
    // The views and their adapters go before the context whose models they show.
    trees_.clear();
    delete takeCentralWidget();
}

void MainWindow::registerItem(int itemId, QWidget* widget) {
    widgets_.insert(itemId, widget);
    widget->setObjectName(QString("item%1").arg(itemId));
}

void MainWindow::buildMenus() {
    auto add = [this](QMenu* menu, int id, const QString& text, auto fn) {
        QAction* a = menu->addAction(text);
        actions_.insert(id, a);
        connect(a, &QAction::triggered, this, fn);
        return a;
    };
    QMenu* options = menuBar()->addMenu("&Options");
    add(options, item::kMenuSelectAll, "Select &All files", [this] { selectAllFiles(); });
    add(options, item::kMenuSave, "&Save ", [this] {
        saveSelection(fileListActive_ ? output::kSaveSourceList : output::kSaveSourceTree);
    });
    add(options, 32838, "Save Se&ttings", [this] {
        SettingsDialog dialog(this, *ctx_);
        dialog.exec();
    });
    QMenu* later = options->addMenu("Save &later");
    add(later, item::kMenuSaveLog, "Save Log",
        [this] { app::SaveLogCommand(*ctx_, logDialogs(), app::LogCommandSource::Menu); });
    add(later, item::kMenuLoadLog, "Load Log",
        [this] { app::LoadLogCommand(*ctx_, logDialogs(), app::LogCommandSource::Menu); });
    add(options, 32900, "Add Disk Image...", [this] {
        QString path = QFileDialog::getOpenFileName(this, "Add Disk Image");
        if (!path.isEmpty())
            addDiskImage(path.toStdString());
    });
    options->addSeparator();
    add(options, 57665, "E&xit", [this] { menuExit(false); });

    QMenu* maintenance = menuBar()->addMenu("Maintenance");
    auto notAvailable = [this] {
        ctx_->messages->ask("This feature is not currently available", "Live Update",
                            platform::MessageIcon::Error, platform::MessageButtons::Ok);
    };
    add(maintenance, 32835, "Update", notAvailable);
    QMenu* report = maintenance->addMenu("Report");
    for (auto [id, text] : {std::pair{32844, "View Report"},
                            {32845, "Print Report"},
                            {32846, "Email Report"},
                            {32850, "Clear Reports"}})
        add(report, id, text, [] {})->setEnabled(false);
    QMenu* dirList = maintenance->addMenu("Directory List");
    for (auto [id, text] : {std::pair{32852, "View"}, {32853, "Print"}})
        add(dirList, id, text, [] {})->setEnabled(false);

    QMenu* support = menuBar()->addMenu("Support");
    add(support, 32847, "Online", [this] { ctx_->shell().open(app::kMakerWebSite); });
    add(support, 32848, "Email",
        [this] { ctx_->messages->inform(std::string("Send email to ") + kSupportMail); });
    add(support, 32849, "Telephonic", [this] {
        ctx_->messages->ask(std::string("Telephone Numbers : ") + kPhone1 + "\n" +
                                std::string(33, ' ') + ": " + kPhone2 + "\n",
                            "Telephonic Support", platform::MessageIcon::Information,
                            platform::MessageButtons::Ok);
    });

    QMenu* help = menuBar()->addMenu("&Help");
    add(help, 32802, "Contents        ",
        [this] { ctx_->shell().open(ctx_->installationPath + "/Help.chm"); });
    QAction* balloon = add(help, 32851, "Show Balloon Help", [this] {
        balloonHelp_ = !balloonHelp_;
        actions_.value(32851)->setChecked(balloonHelp_);
        showBalloons(balloonHelp_);
    });
    balloon->setCheckable(true);
    balloon->setChecked(true);
    add(help, 40003, "&About...", [this] { showAbout(); });

    // Command descriptions, shown as balloons over the menu items while balloon help is on.
    const std::pair<int, const char*> descriptions[] = {
        {32776, "Save files that have been selected "},
        {32777, "Select all files to save"},
        {32835, "Update Quarrixdale Recovery-Memory Card"},
        {32838, "Set the options for saving selected data"},
        {32842, "Save the recovery information"},
        {32843, "Load the recovery information"},
        {32844, "View the recovery details"},
        {32845, "Print the recovery details"},
        {32847, "Quarrixdale recovery centres on the web"},
        {32848, "Support through email"},
        {32849, "Tele support details"},
        {32850, "Delete all recovery logs"},
        {32852, "View Directory Information "},
        {32853, "Print Directory Information "},
        {40003, "About Quarrixdale Recovery-Memory Card "},
        {57665, "Quits from Quarrixdale Recovery-Memory Card"}};
    for (auto [id, text] : descriptions)
        if (QAction* a = actions_.value(id))
            a->setToolTip(text);
    showBalloons(true);
}

void MainWindow::showBalloons(bool on) {
    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        menu->setToolTipsVisible(on);
}

void MainWindow::buildTopButtons(QWidget* central) {
    auto* banner = new QLabel(central);
    banner->setPixmap(skinImage("banner").scaled(kWidth, 110));
    banner->setGeometry(0, 0, kWidth, 110);
    auto* animation = new AnimatedPicture(central);
    animation->setGeometry(kWidth - 70, 30, 48, 48);
    registerItem(1157, animation);
    if (animation->load("activity"))
        animation->draw();
    struct Button {
        int id;
        const char* caption;
        const char* tip;
    } buttons[] = {{item::kSaveButton, "Save", "Save"},
                   {item::kLoadLogButton, "Load Log", "Load Log"},
                   {item::kSaveLogButton, "Save Log", "Save Log"},
                   {1020, "Help", "Help"},
                   {1159, "About us", "About us"},
                   {1158, "Web Site", "Link to Quarrixdale Recovery"},
                   {1021, "Exit", "Exit"}};
    int x = 14;
    for (const auto& b : buttons) {
        auto* button = makeImageButton(b.caption, b.tip, central);
        button->setGeometry(x, 116, 96, 28);
        registerItem(b.id, button);
        x += 104;
    }
    connect(static_cast<QPushButton*>(item(item::kSaveButton)), &QPushButton::clicked, this,
            [this] {
                saveSelection(fileListActive_ ? output::kSaveSourceList : output::kSaveSourceTree);
            });
    connect(static_cast<QPushButton*>(item(1020)), &QPushButton::clicked, actions_.value(32802),
            &QAction::trigger);
    connect(static_cast<QPushButton*>(item(1159)), &QPushButton::clicked, this,
            [this] { showAbout(); });
    connect(static_cast<QPushButton*>(item(1158)), &QPushButton::clicked, this,
            [this] { ctx_->shell().open(app::kMakerWebSite); });
    connect(static_cast<QPushButton*>(item(1021)), &QPushButton::clicked, this,
            [this] { menuExit(true); });
    connect(static_cast<QPushButton*>(item(item::kSaveLogButton)), &QPushButton::clicked, this,
            [this] { app::SaveLogCommand(*ctx_, logDialogs(), app::LogCommandSource::Button); });
    connect(static_cast<QPushButton*>(item(item::kLoadLogButton)), &QPushButton::clicked, this,
            [this] { app::LoadLogCommand(*ctx_, logDialogs(), app::LogCommandSource::Button); });
}

void MainWindow::buildTrees(QWidget* central) {
    auto* frame = new QGroupBox(central);
    frame->setGeometry(15, 152, 246, 290);
    struct Tree {
        int id;
        model::TreeModel* model;
        bool checks;
    } trees[] = {{item::kDiskTree, &ctx_->diskTree, false},
                 {item::kPartitionTree, &ctx_->partitionTree, false},
                 {item::kFileSystemTree, &ctx_->fileSystemTree, false},
                 {item::kRecoveryTree, &ctx_->recoveryTree, true}};
    for (const auto& t : trees) {
        auto* view = new PanelTree(central);
        view->setGeometry(kTreeRect);
        registerItem(t.id, view);
        trees_.insert(t.id, new TreeAdapter(*t.model, view, t.checks));
        view->setVisible(t.id == item::kDiskTree);
        view->installEventFilter(this);
    }
}

void MainWindow::buildDiskStep(QWidget* central) {
    auto* list = new QTreeView(central);
    list->setAllColumnsShowFocus(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->installEventFilter(this);
    registerItem(item::kFileList, list);
    fileListView_ = list;
    fileList_ = new FileListAdapter(ctx_->fileList, list);

    auto* current = placeLabel("Current Folder  :", central, QRect(270, 154, 500, 22));
    registerItem(item::kCurrentFolder, current);
    current->hide();

    auto* panel = new QGroupBox("Searching Criteria", central);
    panel->setGeometry(270, 340, 505, 100);
    registerItem(item::kDiskStepPanel, panel);
    struct Mode {
        int id;
        const char* caption;
        int mode;
        int x;
    } modes[] = {{item::kQuickMode, "Quick ", app::kSearchStandard, 14},
                 {item::kAdvancedMode, "Advanced ", app::kSearchAdvanced, 150},
                 {item::kRawMode, "Raw Recovery ", app::kSearchRaw, 300}};
    for (const auto& m : modes) {
        auto* button = new ModeButton(m.caption, m.mode, panel);
        button->setGeometry(m.x, 26, 130, 24);
        registerItem(m.id, button);
        connect(button, &ModeButton::chosen, this,
                [this](int mode) { wizard_->chooseMode(std::uint16_t(mode)); });
    }
    placeLabel("Path for Log File : ", panel, QRect(14, 62, 130, 24));
    auto* folder = placeEdit(panel, QRect(150, 62, 340, 24));
    folder->setMaxLength(1024);
    registerItem(item::kFolderField, folder);
}

void MainWindow::buildPartitionStep(QWidget* central) {
    auto* panel = new QWidget(central);
    panel->setGeometry(265, 150, 510, 232);
    registerItem(item::kPartitionOptions, panel);
    panel->hide();
    auto* caption = placeLabel("", panel, QRect(10, 8, 490, 24));
    QFont bold = caption->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    caption->setFont(bold);
    registerItem(item::kModeCaption, caption);

    registerItem(item::kPartitionTypeLabel,
                 placeLabel("Partition Type :", panel, QRect(10, 44, 125, 24)));
    auto* type = new QComboBox(panel);
    type->addItems({"FAT16", "FAT32", "NTFS", ""});
    type->setGeometry(140, 44, 120, 24);
    registerItem(item::kPartitionType, type);
    registerItem(item::kStartSectorLabel,
                 placeLabel("Start Sector :", panel, QRect(10, 80, 125, 24)));
    auto* start = placeEdit(panel, QRect(140, 80, 120, 24));
    registerItem(item::kStartSector, start);
    registerItem(item::kEndSectorLabel, placeLabel("End Sector :", panel, QRect(10, 116, 125, 24)));
    auto* end = placeEdit(panel, QRect(140, 116, 120, 24));
    registerItem(item::kEndSector, end);

    auto* types = new QListWidget(panel);
    types->setGeometry(10, 40, 262, 100);
    for (const raw::RawKindInfo& kind : raw::RawKindTable) {
        auto* row = new QListWidgetItem(
            QString::fromUtf8(kind.listText.data(), static_cast<qsizetype>(kind.listText.size())),
            types);
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(kind.tickedAtFirst ? Qt::Checked : Qt::Unchecked);
    }
    registerItem(item::kFileTypeList, types);
    auto* whole = new QRadioButton("Entire Disk", panel);
    whole->setGeometry(10, 146, 120, 22);
    registerItem(item::kEntireDisk, whole);
    auto* range = new QRadioButton("Sector Range", panel);
    range->setGeometry(140, 146, 130, 22);
    registerItem(item::kSectorRange, range);
    connect(whole, &QRadioButton::clicked, this, [this] { wizard_->setRawRange(true); });
    connect(range, &QRadioButton::clicked, this, [this] { wizard_->setRawRange(false); });
    registerItem(item::kRawStartLabel, placeLabel("Start Sector", panel, QRect(10, 174, 90, 24)));
    auto* rawStart = placeEdit(panel, QRect(110, 174, 120, 24));
    registerItem(item::kRawStart, rawStart);
    registerItem(item::kRawEndLabel, placeLabel("End Sector", panel, QRect(10, 204, 90, 24)));
    auto* rawEnd = placeEdit(panel, QRect(110, 204, 120, 24));
    registerItem(item::kRawEnd, rawEnd);
    auto* results = new QListWidget(panel);
    results->setGeometry(285, 40, 215, 150);
    registerItem(item::kResultList, results);
    auto* startRecovery = makeImageButton("S&tart Recovery", "Start Recovery", panel);
    connect(startRecovery, &QPushButton::clicked, this, [this] { rawRecovery_->startOrStop(); });
    startRecovery->setGeometry(285, 198, 120, 28);
    registerItem(item::kStartRecovery, startRecovery);
    auto* rawProgress = new TextProgress(panel);
    rawProgress->setGeometry(410, 202, 90, 20);
    registerItem(item::kRawProgress, rawProgress);
    for (int id : {item::kFileTypeList, item::kEntireDisk, item::kSectorRange, item::kRawStart,
                   item::kRawEnd, item::kRawStartLabel, item::kRawEndLabel, item::kResultList,
                   item::kStartRecovery, item::kRawProgress})
        item(id)->hide();

    auto* summary = new QListWidget(central);
    summary->setGeometry(555, 190, 215, 150);
    summary->setFocusPolicy(Qt::NoFocus);
    registerItem(item::kSummaryList, summary);
}

void MainWindow::buildSearchView(QWidget* central) {
    auto* view = new QWidget(central);
    view->setGeometry(265, 150, 340, 200);
    registerItem(item::kSearchView, view);
    view->hide();
    struct Row {
        const char* label;
        int labelId;
        int valueId;
    } rows[] = {
        {"Selected Disk :", 0, item::kSearchDisk},
        {"Search Range :", 0, item::kSearchRange},
        {"Selected File System :", 0, item::kSearchFileSystem},
        {"Directories Found                      :", item::kCounterLabel, item::kDirectoriesFound},
        {"Boot Sectors Found :", item::kBootSectorsLabel, item::kBootSectorsFound},
        {"Searching Criteria :", 0, item::kSearchCriteria}};
    int y = 10;
    for (const auto& r : rows) {
        auto* label = placeLabel(r.label, view, QRect(10, y, 216, 24));
        if (r.labelId)
            registerItem(r.labelId, label);
        registerItem(r.valueId, placeLabel("", view, QRect(228, y, 110, 24)));
        y += 30;
    }
    item(item::kBootSectorsLabel)->hide();
    item(item::kBootSectorsFound)->hide();

    auto* caption = placeLabel("", central, QRect(270, 382, 500, 22));
    registerItem(item::kProgressCaption, caption);
    auto* bar = new TextProgress(central);
    bar->setGeometry(270, 406, 500, 22);
    registerItem(item::kProgressBar, bar);
    caption->hide();
    bar->hide();
}

void MainWindow::buildBottom(QWidget* central) {
    auto* stop = makeImageButton("&Stop Searching", "Stop Search", central);
    stop->setGeometry(270, 448, 140, 30);
    registerItem(item::kStopSearch, stop);
    stop->hide();
    auto* back = makeImageButton("< Back", "Back", central);
    back->setGeometry(555, 448, 100, 30);
    registerItem(item::kBack, back);
    auto* next = makeImageButton("Next >", "Next", central);
    next->setGeometry(665, 448, 100, 30);
    registerItem(item::kNext, next);
    connect(back, &QPushButton::clicked, this, [this] {
        wizard_->back();
        relayout();
    });
    connect(next, &QPushButton::clicked, this, [this] {
        wizard_->next();
        relayout();
    });
    auto* search = makeImageButton("Search More Partitions", "Search More Partitions", central);
    search->setGeometry(15, 448, 170, 30);
    registerItem(item::kSearchPartition, search);
    search->hide();
    auto* stopPartitions =
        makeImageButton("Stop Search Partition", "Stop Search Partition", central);
    stopPartitions->setGeometry(195, 448, 160, 30);
    registerItem(item::kStopSearchPartition, stopPartitions);
    stopPartitions->hide();
    connect(search, &QPushButton::clicked, this, [this] { wizard_->searchMorePartitions(); });
    connect(stopPartitions, &QPushButton::clicked, this,
            [this] { wizard_->stopPartitionSearch(); });

    auto* status = new QLabel(central);
    status->setGeometry(15, 486, 760, 46);
    status->setWordWrap(true);
    status->setFrameShape(QFrame::StyledPanel);
    status->setAutoFillBackground(true);
    status->setMargin(4);
    registerItem(item::kStatusLine, status);
}

void MainWindow::connectEngines() {
    auto* disks = tree(item::kDiskTree);
    connect(disks, &PanelTree::itemClicked, this, [this](const QModelIndex& index, bool) {
        wizard_->clickDisk(treeAdapter(item::kDiskTree)->itemOf(index));
    });
    auto* partitions = tree(item::kPartitionTree);
    connect(partitions, &PanelTree::itemClicked, this, [this](const QModelIndex& index, bool) {
        wizard_->clickPartition(treeAdapter(item::kPartitionTree)->itemOf(index));
    });
    auto* folders = tree(item::kRecoveryTree);
    auto* folderModel = treeAdapter(item::kRecoveryTree);
    connect(folders, &PanelTree::itemClicked, this,
            [this, folderModel](const QModelIndex& index, bool onCheckBox) {
                if (ctx_->scanWorkerRunning)
                    return;
                fileListActive_ = false;
                model::OnFolderItemClicked(*ctx_, folderModel->itemOf(index), onCheckBox);
            });
    connect(folders, &QTreeView::expanded, this, [this, folderModel](const QModelIndex& index) {
        if (!folderModel->restoring() && !ctx_->scanWorkerRunning)
            model::OnFolderItemExpanding(*ctx_, folderModel->itemOf(index), true);
    });
    connect(folders, &QTreeView::collapsed, this, [this, folderModel](const QModelIndex& index) {
        if (!folderModel->restoring() && !ctx_->scanWorkerRunning)
            model::OnFolderItemExpanding(*ctx_, folderModel->itemOf(index), false);
    });
    connect(folders, &PanelTree::enterPressed, this, [this] {
        if (!ctx_->scanWorkerRunning)
            model::OnFolderEnterKey(*ctx_);
    });
    connect(folders, &PanelTree::leftPressed, this, [this] { model::OnFolderLeftKey(*ctx_); });
    connect(folders, &PanelTree::rightPressed, this, [this] { model::OnFolderRightKey(*ctx_); });
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
            [this](const QModelIndex& index) { openListRow(index.row()); });
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

// The right-panel list takes the room that the step leaves it.
void MainWindow::relayout() {
    bool browse = item(item::kCurrentFolder)->isVisibleTo(this) ||
                  item(item::kRecoveryTree)->isVisibleTo(this) ||
                  item(item::kFileSystemTree)->isVisibleTo(this);
    bool diskStep = item(item::kDiskStepPanel)->isVisibleTo(this);
    fileListView_->setGeometry(browse ? QRect(270, 180, 500, 196) : QRect(270, 156, 500, 178));
    fileListView_->setVisible(browse || diskStep);
    bool partitionStep = item(item::kPartitionOptions)->isVisibleTo(this);
    bool searching = item(item::kSearchView)->isVisibleTo(this);
    QWidget* summary = item(item::kSummaryList);
    summary->setVisible((partitionStep && ctx_->searchMode != app::kSearchRaw) || searching);
    summary->setGeometry(searching ? QRect(610, 190, 160, 150) : QRect(555, 190, 215, 150));
}

void MainWindow::onGui(std::function<void()> fn) {
    if (QThread::currentThread() == thread())
        fn();
    else
        QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

app::RecoveryLogDialogs MainWindow::logDialogs() {
    app::RecoveryLogDialogs dialogs;
    // The save dialog runs on this thread; it asks itself before replacing a file.
    dialogs.chooseSavePath = [this]() -> std::optional<std::string> {
        const QString path = QFileDialog::getSaveFileName(this, "Save Log", QString(), "*.dms");
        if (path.isEmpty())
            return std::nullopt;
        return path.toStdString();
    };
    // The open dialog is asked for by the load worker, which waits for the answer.
    dialogs.chooseLoadPaths = [this] {
        std::vector<std::string> names;
        auto ask = [this, &names] {
            for (const QString& name :
                 QFileDialog::getOpenFileNames(this, "Load Log", QString(), "*.dms"))
                names.push_back(name.toStdString());
        };
        if (QThread::currentThread() == thread())
            ask();
        else
            QMetaObject::invokeMethod(this, ask, Qt::BlockingQueuedConnection);
        return names;
    };
    dialogs.showWaitPopup = [this] {
        onGui([this] {
            if (waitPopup_)
                return;
            auto* popup = new QLabel("Getting Directory Information, Please Wait...", this,
                                     Qt::Tool | Qt::FramelessWindowHint);
            popup->setAlignment(Qt::AlignCenter);
            popup->setFrameStyle(QFrame::Box);
            popup->setFixedSize(244, 65);
            popup->move(mapToGlobal(rect().center() - popup->rect().center()));
            popup->show();
            waitPopup_ = popup;
        });
    };
    dialogs.closeWaitPopup = [this] {
        onGui([this] {
            delete waitPopup_;
            waitPopup_ = nullptr;
        });
    };
    return dialogs;
}

void MainWindow::showBrowseStep() {
    item(item::kSearchView)->hide();
    item(item::kProgressCaption)->hide();
    item(item::kPartitionTree)->hide();
    item(item::kFileSystemTree)->hide();
    item(item::kRecoveryTree)->show();
    item(item::kCurrentFolder)->show();
}

void MainWindow::setItemText(int itemId, const std::string& text) {
    onGui([this, itemId, text] {
        QWidget* w = item(itemId);
        QString t = qs(text);
        if (auto* label = qobject_cast<QLabel*>(w))
            label->setText(itemId == item::kCurrentFolder ? "Current Folder  :" + t : t);
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            edit->setText(t);
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            button->setText(t);
        else if (auto* bar = qobject_cast<TextProgress*>(w))
            bar->setText(t);
    });
}

void MainWindow::showItem(int itemId, bool visible) {
    onGui([this, itemId, visible] {
        if (QWidget* w = item(itemId)) {
            w->setVisible(visible);
            if (itemId == item::kSearchView && visible) {
                item(item::kProgressCaption)->show();
                item(item::kProgressBar)->show();
            }
            // The end of a Standard search hides "&Stop Searching": the folders are ready.
            if (itemId == item::kStopSearch && !visible && ctx_->wizardStage == 3)
                showBrowseStep();
        } else if (QAction* a = command(itemId)) {
            a->setVisible(visible);
        }
        relayout();
    });
}

void MainWindow::enableItem(int itemId, bool enabled) {
    onGui([this, itemId, enabled] {
        if (QWidget* w = item(itemId))
            w->setEnabled(enabled);
        if (QAction* a = command(itemId))
            a->setEnabled(enabled);
    });
}

void MainWindow::setProgress(int itemId, int percent) {
    onGui([this, itemId, percent] {
        if (auto* bar = qobject_cast<TextProgress*>(item(itemId)))
            bar->setPosition(percent);
    });
}

void MainWindow::selectEntry(int itemId, int index) {
    onGui([this, itemId, index] {
        if (auto* combo = qobject_cast<QComboBox*>(item(itemId)))
            combo->setCurrentIndex(index);
    });
}

std::string MainWindow::itemText(int itemId) {
    QWidget* w = item(itemId);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text().toStdString();
    return {};
}

int MainWindow::selectedEntry(int itemId) {
    auto* combo = qobject_cast<QComboBox*>(item(itemId));
    return combo ? combo->currentIndex() : -1;
}

void MainWindow::checkItem(int itemId, bool checked) {
    onGui([this, itemId, checked] {
        if (auto* button = qobject_cast<QAbstractButton*>(item(itemId)))
            button->setChecked(checked);
    });
}

void MainWindow::focusItem(int itemId) {
    onGui([this, itemId] {
        if (QWidget* w = item(itemId))
            w->setFocus();
    });
}

std::vector<bool> MainWindow::checkedRows(int itemId) {
    std::vector<bool> rows;
    if (auto* list = qobject_cast<QListWidget*>(item(itemId)))
        for (int r = 0; r < list->count(); ++r)
            rows.push_back(list->item(r)->checkState() == Qt::Checked);
    return rows;
}

void MainWindow::setListRows(int itemId, const std::vector<std::string>& rows) {
    if (itemId == item::kFileList) {
        for (const auto& text : rows) {
            model::FileListRow row;
            row.cells[0] = text;
            ctx_->fileList.append(row);
        }
        return;
    }
    onGui([this, itemId, rows] {
        if (auto* list = qobject_cast<QListWidget*>(item(itemId))) {
            list->clear();
            for (const auto& r : rows)
                list->addItem(qs(r));
        }
    });
}

void MainWindow::setSingleColumn(int itemId, const std::string& title, int width) {
    if (itemId != item::kFileList)
        return;
    ctx_->fileList.setColumns({model::ListColumn{title, width, false}});
    ctx_->fileList.clear();
}

void MainWindow::closeWindow() {
    closing_ = true;
    close();
}

void MainWindow::serveEventsUntil(const std::atomic<bool>& done) {
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void MainWindow::stopWorker(std::jthread& worker) {
    worker.request_stop();
    if (stopping_ == &worker) {
        // Reached again from the events served below (Stop Searching, another close):
        // the thread already has its joiner, so wait for it instead of joining twice.
        serveEventsUntil(*stopJoined_);
        return;
    }
    if (!worker.joinable())
        return;
    // The worker may be waiting for this thread (a question, a tree update): keep
    // serving events until it has ended.
    std::atomic<bool> done{false};
    std::jthread* outerWorker = std::exchange(stopping_, &worker);
    const std::atomic<bool>* outerJoined = std::exchange(stopJoined_, &done);
    std::thread joiner([&] {
        worker.join();
        done = true;
    });
    serveEventsUntil(done);
    joiner.join();
    stopping_ = outerWorker;
    stopJoined_ = outerJoined;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    event->ignore();
    if (stopping_)
        return; // a close sequence is already ending the worker and closes the window
    // The close box and Escape run the close sequence, which closes the window itself.
    QTimer::singleShot(0, this, [this] {
        if (!destroying_)
            wizard_->closeSequence();
    });
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (!stopping_)
            wizard_->closeSequence();
        return;
    }
    QMainWindow::keyPressEvent(event);
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
        openListRow(fileListView_->currentIndex().row());
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
    if (const disk::ListingResult listed = disk::ListDisks(*ctx_);
        listed == disk::ListingResult::EndProcess || listed == disk::ListingResult::Ended)
        std::exit(1);
}

// The image joins the images the detector lists first; the listing runs again.
void MainWindow::addDiskImage(const std::string& path) {
    options_.images.push_back(path);
    if (ctx_->wizardStage == 0)
        listDisks();
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
        disk::ListDisksFromRegistry(*ctx_);
    else
        std::exit(0);
}

void MainWindow::stopRunningWorker() {
    if (rawRecovery_->running())
        rawRecovery_->stop();
    else if (ctx_->scanWorkerRunning)
        stopWorker(ctx_->scanWorker);
    else if (ctx_->partitionSearchRunning)
        stopWorker(ctx_->partitionSearchThread);
}

void MainWindow::menuExit(bool fromButton) {
    if (!ctx_->messages->askYesNo(fromButton
                                      ? "Do you want to exit from Quarrixdale Recovery-Memory Card?"
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

// "&Stop Searching": the worker is asked to stop and served until it has, so that a
// question it is asking cannot wait on this thread; then the search is finished.
void MainWindow::stopSearching() {
    ctx_->scanWorker.request_stop();
    while (ctx_->scanWorkerRunning) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (stopping_ == &ctx_->scanWorker) {
        // A close is already joining the thread, which ends just after its flag clears;
        // StopSearch would join it a second time. The window is closing anyway.
        serveEventsUntil(*stopJoined_);
        return;
    }
    app::StopSearch(*ctx_);
}

// Enter or a double click on a row: a folder opens, a file is extracted and opened.
void MainWindow::openListRow(int row) {
    if (ctx_->wizardStage != 3 || ctx_->scanWorkerRunning || row < 0)
        return;
    output::PosixProcessLauncher launcher;
    ProgramChooserDialog chooser(this);
    output::OpenListEntry(*ctx_, row, {&launcher, &chooser});
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
    fileListView_->selectionModel()->setCurrentIndex(fileList_->index(0, 0),
                                                     QItemSelectionModel::NoUpdate);
}

void MainWindow::saveSelection(std::uint16_t source) {
    if (ctx_->wizardStage != 3 || ctx_->scanWorkerRunning)
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
}

} // namespace qr::gui
