// Where every control of the main window sits, and what each step shows. The
// window's size and the skin images are fixed, so controls are placed by hand; a
// larger font scales the whole window.
#include "CommandIds.h"
#include "FileListAdapter.h"
#include "FileListFilterBar.h"
#include "FileTypeList.h"
#include "FontScale.h"
#include "MainWindow.h"
#include "PanelTree.h"
#include "PreviewPane.h"
#include "TreeAdapter.h"
#include "app/ListRowFile.h"
#include "app/ListRowRecoverability.h"
#include "app/PartitionTypeSelector.h"
#include "disk/DiskDetails.h"
#include "model/RecordTable.h"
#include "raw/RawSignatures.h"
#include "skin/AnimatedPicture.h"
#include "skin/ImageButton.h"
#include "skin/ModeButton.h"
#include "skin/Skin.h"
#include "skin/TextProgress.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QRadioButton>
#include <QStyle>
#include <QTreeView>

namespace qr::gui {

namespace item = app::item;

namespace {

const QRect kTreeRect(25, 174, 226, 255); // (25, 174) to (250, 428)

} // namespace

void MainWindow::buildLayout() {
    auto* central = new SkinnedPanel(this);
    central->setFixedSize(kWidth, kHeight);
    setCentralWidget(central);
    buildMenus();
    buildTopButtons(central);
    buildTrees(central);
    buildDiskStep(central);
    buildPartitionStep(central);
    buildSearchView(central);
    buildBottom(central);
    scale_ = fitToFont(central);
    noteGrowth();
    // The lists' icons grow with their rows.
    if (scale_ > 1.0)
        for (auto* view : central->findChildren<QAbstractItemView*>()) {
            const int side = view->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view);
            view->setIconSize(QSize(side, side) * scale_);
        }
}

void MainWindow::registerItem(int itemId, QWidget* widget) {
    widgets_.insert(itemId, widget);
    widget->setObjectName(QString("item%1").arg(itemId));
}

void MainWindow::buildTopButtons(QWidget* central) {
    auto* banner = new QLabel(central);
    // Drawn at the label's size and the screen's pixel density.
    banner->setPixmap(skinImage("banner"));
    banner->setScaledContents(true);
    banner->setGeometry(0, 0, kWidth, 110);
    auto* animation = new AnimatedPicture(central);
    animation->setGeometry(kWidth - 70, 30, 48, 48);
    registerItem(button::kAnimation, animation);
    if (animation->load("activity"))
        animation->draw();
    struct Button {
        int id;
        const char* caption;
        const char* tip;
    } buttons[] = {{item::kSaveButton, "Save", "Save"},
                   {item::kLoadLogButton, "Load Log", "Load Log"},
                   {item::kSaveLogButton, "Save Log", "Save Log"},
                   {button::kHelp, "Help", "Help"},
                   {button::kAboutUs, "About us", "About us"},
                   {button::kWebSite, "Web Site", "Link to Quarrixdale Recovery"},
                   {button::kExit, "Exit", "Exit"}};
    int x = 14;
    for (const auto& b : buttons) {
        auto* button = makeImageButton(b.caption, b.tip, central);
        button->setGeometry(x, 116, 96, 28);
        registerItem(b.id, button);
        x += 104;
    }
    // Nothing to save or load on the disk step: the wizard enables these on later steps.
    for (int id : {item::kSaveButton, item::kLoadLogButton, item::kSaveLogButton})
        item(id)->setEnabled(false);
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
        if (t.id == item::kDiskTree) // "Disk0" alone does not tell the card from the system disk
            trees_.value(t.id)->setToolTips([this](model::TreeItem disk) {
                const std::string label = ctx_->diskTree.text(disk);
                if (label.rfind("Disk", 0) != 0 || label.size() <= 4)
                    return QString();
                return QString::fromStdString(
                    disk::DiskSummary(ctx_->registry, model::parseCellNumber(label.substr(4))));
            });
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
    fileList_->setJudge([this](const model::FileListRow& row) {
        return ctx_->wizardStage == 3 ? app::ListRowRecoverability(*ctx_, row) : std::string();
    });
    filterBar_ = new FileListFilterBar(fileList_->proxy(), central);
    filterBar_->hide();
    preview_ = new PreviewPane(
        [this](const model::FileListRow& row, std::size_t limit, std::stop_token stop) {
            const std::unique_ptr<volume::VolumeEngine> engine = app::EngineFor(*ctx_);
            if (!engine)
                return output::PreviewBytes{};
            return output::ReadForPreview(*engine, app::ListRowFile(row), limit, std::move(stop));
        },
        central);
    preview_->hide();
    connect(list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { previewCurrentRow(); });

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
    }
    placeLabel("Path for Log File : ", panel, QRect(14, 62, 130, 24));
    auto* folder = placeEdit(panel, QRect(150, 62, 340, 24));
    folder->setMaxLength(1024);
    registerItem(item::kFolderField, folder);
}

void MainWindow::buildPartitionStep(QWidget* central) {
    auto* panel = new QWidget(central);
    panel->setGeometry(265, 150, 510, 290);
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
    for (const std::string& text : app::PartitionTypeTexts())
        type->addItem(QString::fromStdString(text));
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
    types->setGeometry(10, 40, 262, 150);
    // Long file-type names wrap rather than hide behind a scroll bar.
    types->setWordWrap(true);
    types->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    types->setTextElideMode(Qt::ElideNone);
    FillFileTypes(*types, false);
    registerItem(item::kFileTypeList, types);
    auto* whole = new QRadioButton("Entire Disk", panel);
    whole->setGeometry(10, 196, 120, 22);
    registerItem(item::kEntireDisk, whole);
    auto* range = new QRadioButton("Sector Range", panel);
    range->setGeometry(140, 196, 130, 22);
    registerItem(item::kSectorRange, range);
    registerItem(item::kRawStartLabel, placeLabel("Start Sector", panel, QRect(10, 226, 90, 24)));
    auto* rawStart = placeEdit(panel, QRect(110, 226, 120, 24));
    registerItem(item::kRawStart, rawStart);
    registerItem(item::kRawEndLabel, placeLabel("End Sector", panel, QRect(10, 256, 90, 24)));
    auto* rawEnd = placeEdit(panel, QRect(110, 256, 120, 24));
    registerItem(item::kRawEnd, rawEnd);
    auto* results = new QListWidget(panel);
    results->setGeometry(285, 40, 215, 150);
    registerItem(item::kResultList, results);
    auto* startRecovery = makeImageButton("S&tart Recovery", "Start Recovery", panel);
    startRecovery->setGeometry(285, 198, 120, 28);
    registerItem(item::kStartRecovery, startRecovery);
    auto* rawProgress = new TextProgress(panel);
    rawProgress->setGeometry(410, 202, 90, 20);
    registerItem(item::kRawProgress, rawProgress);
    auto* metadataNames = new QCheckBox("Name by date taken or title", panel);
    metadataNames->setGeometry(285, 232, 215, 22);
    registerItem(item::kRawMetadataNames, metadataNames);
    auto* everyKind = new QCheckBox("List every file type", panel);
    everyKind->setGeometry(285, 258, 215, 22);
    registerItem(item::kRawEveryKind, everyKind);
    for (int id :
         {item::kFileTypeList, item::kEntireDisk, item::kSectorRange, item::kRawStart,
          item::kRawEnd, item::kRawStartLabel, item::kRawEndLabel, item::kResultList,
          item::kStartRecovery, item::kRawProgress, item::kRawMetadataNames, item::kRawEveryKind})
        item(id)->hide();

    auto* summary = new QListWidget(central);
    summary->setGeometry(555, 190, 215, 150);
    summary->setFocusPolicy(Qt::NoFocus);
    // Beside the search view the list is narrow: long rows wrap instead of being cut.
    summary->setWordWrap(true);
    summary->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    summary->setTextElideMode(Qt::ElideNone);
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
    // Two buttons kept out of sight: the first selects all files, the second does nothing.
    for (int id : {button::kHiddenSelectAll, button::kHiddenSpare}) {
        auto* hidden = makeImageButton("", "", central);
        hidden->setGeometry(-500, -500, 10, 10);
        registerItem(id, hidden);
        hidden->hide();
    }
    // The partition step's own search over the rest of the disk, and its stop.
    auto* search = makeImageButton("Search More Partitions", "Search More Partitions", central);
    search->setGeometry(15, 448, 170, 30);
    registerItem(item::kSearchPartition, search);
    search->hide();
    auto* stopPartitions =
        makeImageButton("Stop Search Partition", "Stop Search Partition", central);
    stopPartitions->setGeometry(195, 448, 160, 30);
    registerItem(item::kStopSearchPartition, stopPartitions);
    stopPartitions->hide();
    // The disk step copies the chosen disk into an image from the same corner.
    auto* image = makeImageButton("Create Disk Image...", "Create Disk Image", central);
    image->setGeometry(15, 448, 170, 30);
    registerItem(button::kCreateDiskImage, image);

    auto* status = new QLabel(central);
    status->setGeometry(15, 486, 760, 46);
    status->setWordWrap(true);
    status->setFrameShape(QFrame::StyledPanel);
    status->setAutoFillBackground(true);
    status->setMargin(4);
    registerItem(item::kStatusLine, status);
}

// The right-panel list takes the room that the step leaves it.
void MainWindow::relayout() {
    showStepBackground();
    bool browse = item(item::kCurrentFolder)->isVisibleTo(this) ||
                  item(item::kRecoveryTree)->isVisibleTo(this) ||
                  item(item::kFileSystemTree)->isVisibleTo(this);
    bool diskStep = item(item::kDiskStepPanel)->isVisibleTo(this);
    // A search's caption and bar sit where the disk step has its criteria: whatever an
    // earlier search left there goes when the disk step comes back.
    if (diskStep)
        clearSearchProgress();
    // The browse step's filter box takes the top of the list's room.
    const bool filtering = browse && ctx_->wizardStage == 3;
    if (!filtering && filterBar_->isVisibleTo(this))
        filterBar_->clear();
    filterBar_->setVisible(filtering);
    if (filtering) {
        place(filterBar_, scaled(QRect(270, 180, 500, 24), scale_), Growth::Width);
        filterBar_->place(filterBar_->width(), filterBar_->height());
        growth_.remove(fileListView_);
        placeBrowseLists();
    } else {
        preview_->hide();
        preview_->showRow(nullptr);
        place(fileListView_,
              scaled(browse ? QRect(270, 180, 500, 196) : QRect(270, 156, 500, 178), scale_),
              Growth::Both);
    }
    fileListView_->setVisible(browse || diskStep);
    item(button::kCreateDiskImage)->setVisible(diskStep);
    bool partitionStep = item(item::kPartitionOptions)->isVisibleTo(this);
    bool searching = item(item::kSearchView)->isVisibleTo(this);
    QWidget* summary = item(item::kSummaryList);
    summary->setVisible((partitionStep && ctx_->searchMode != app::kSearchRaw) || searching);
    summary->setGeometry(
        scaled(searching ? QRect(610, 190, 160, 150) : QRect(555, 190, 215, 150), scale_));
}

void MainWindow::previewCurrentRow() {
    if (!preview_->isVisibleTo(this))
        return;
    const int row = fileList_->sourceRow(fileListView_->currentIndex());
    if (row < 0 || row >= ctx_->fileList.rowCount()) {
        preview_->showRow(nullptr);
        return;
    }
    const model::FileListRow shown = ctx_->fileList.row(row);
    preview_->showRow(&shown);
}

void MainWindow::clearSearchProgress() {
    auto* caption = static_cast<QLabel*>(item(item::kProgressCaption));
    auto* bar = static_cast<TextProgress*>(item(item::kProgressBar));
    caption->hide();
    caption->clear();
    bar->hide();
    bar->setPos(0);
    bar->setText("");
}

// The disk step has its own background; the later steps share the other one.
void MainWindow::showStepBackground() {
    if (auto* surface = qobject_cast<SkinnedPanel*>(centralWidget()))
        surface->setBackground(skinImage(ctx_->wizardStage <= 0 ? "window_start" : "window"));
}

void MainWindow::showBrowseStep() {
    item(item::kSearchView)->hide();
    item(item::kProgressCaption)->hide();
    item(item::kPartitionTree)->hide();
    item(item::kFileSystemTree)->hide();
    item(item::kRecoveryTree)->show();
    item(item::kCurrentFolder)->show();
}

} // namespace qr::gui
