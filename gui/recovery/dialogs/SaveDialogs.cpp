#include "dialogs/SaveDialogs.h"

#include "FontScale.h"
#include "skin/BrowseForFolder.h"
#include "skin/FolderEdit.h"
#include "skin/ImageButton.h"
#include "skin/TextProgress.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPainter>
#include <QRadioButton>
#include <QTimer>

namespace qr::gui {

SaveAsDialog::SaveAsDialog(QWidget* parent, app::RecoveryContext& ctx, std::string sourceDevice)
    : PictureDialog(parent), ctx_(ctx), model_(ctx.save, ctx.messages, std::move(sourceDevice)) {
    setBackground(skinImage("tile"));
    setWindowTitle("Save As");
    setFixedSize(460, 300);
    placeLabel("Enter path for Saving or click on Browse", this, QRect(20, 16, 420, 20));
    folder_ = new FolderEdit(this);
    folder_->setObjectName("item1005");
    folder_->setGeometry(20, 40, 340, 26);
    folder_->setMaxLength(int(ui::kMaxDestinationLength));
    folder_->attach(false, QString::fromStdString(ui::kFolderEditTitle));
    auto* small = folder_->browseButton();
    small->setObjectName("folderBrowse");
    connect(folder_, &FolderEdit::folderBrowsed, this,
            [this](const QString& folder) { model_.folderChosen(folder.toStdString()); });
    auto* browse = placeButton("Browse", "Browse", this, 20, 76);
    connect(browse, &QPushButton::clicked, this, [this] {
        QString folder = folder_->text();
        if (browseForFolder(folder, this, false, QString::fromStdString(ui::kBrowseTitle)))
            folder_->setText(folder);
    });
    auto* group = new QGroupBox("Warning", this);
    group->setGeometry(20, 116, 420, 110);
    auto* warning = new ColourLabel(QString::fromStdString(ui::kSaveAsWarning), group);
    warning->setObjectName("item1186");
    warning->setGeometry(10, 22, 400, 78);
    warning->setBackColour(QColor(0xd7, 0xd7, 0xd7));
    warning->setTextColour(QColor(0, 0, 0x7f));
    warning->setContentsMargins(6, 4, 6, 4);
    auto* ok = placeButton("Ok", "Ok", this, 20, 250);
    ok->setObjectName("ok");
    auto* cancel = placeButton("Cancel", "Cancel", this, 126, 250);
    cancel->setObjectName("cancel");
    auto* settings = placeButton("&Settings", "Settings", this, 344, 250);
    settings->setObjectName("settings");
    settings->setEnabled(
        ui::SaveAsDialogModel::settingsEnabled(ctx.searchMode, ctx.save.saveSource));
    // Enter in the path box accepts the path typed there; the browse buttons answer
    // only to their own clicks.
    for (QPushButton* button : std::initializer_list<QPushButton*>{small, browse, cancel, settings})
        button->setAutoDefault(false);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &SaveAsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &SaveAsDialog::reject);
    connect(settings, &QPushButton::clicked, this, [this] {
        SettingsDialog dialog(this, ctx_);
        dialog.exec();
    });
    fitToFont(this);
}

void SaveAsDialog::accept() {
    model_.setFolderText(folder_->text().toStdString());
    if (model_.accept())
        QDialog::accept();
}

void SaveAsDialog::reject() {
    model_.cancel();
    QDialog::reject();
}

SettingsDialog::SettingsDialog(QWidget* parent, app::RecoveryContext& ctx)
    : SkinnedDialog(parent), model_(ctx.save.settings, ctx.messages) {
    setWindowTitle("Settings");
    setFixedSize(590, 420);
    const auto& s = model_.settings();

    struct Radio {
        const char* caption;
        std::uint32_t value;
    };
    auto radioGroup = [this](const QString& title, QRect geometry,
                             std::initializer_list<Radio> radios, std::uint32_t current,
                             auto setter) {
        auto* box = new QGroupBox(title, this);
        box->setGeometry(geometry);
        auto* group = new QButtonGroup(box);
        int y = 22;
        for (const auto& r : radios) {
            auto* b = new QRadioButton(r.caption, box);
            b->setGeometry(10, y, geometry.width() - 20, 22);
            b->setChecked(r.value == current);
            group->addButton(b);
            auto value = r.value;
            connect(b, &QRadioButton::toggled, this, [this, value, setter](bool on) {
                if (on)
                    (model_.*setter)(value);
            });
            y += 24;
        }
    };
    radioGroup("Saving Mode", QRect(15, 10, 140, 122),
               {{"Auto", output::kSavingAuto},
                {"FAT1 ", output::kSavingFat1},
                {"FAT2", output::kSavingFat2},
                {"Contigious", output::kSavingContiguous}},
               s.savingMode, &ui::SettingsDialogModel::setSavingMode);
    radioGroup("Deleted Files", QRect(165, 10, 210, 122),
               {{"Include Deleted File(s)", output::kIncludeDeleted},
                {"Exclude Deleted File(s)", output::kExcludeDeleted},
                {"Save Deleted Files only", output::kDeletedOnly}},
               s.deletedFilter, &ui::SettingsDialogModel::setDeletedFilter);
    radioGroup("Selection", QRect(385, 10, 190, 122),
               {{"Save Selected File(s)", output::kSaveSelectedRows},
                {"Save all File(s)", output::kSaveAllRows},
                {"Invert Selection", output::kSaveUnselectedRows}},
               s.selectionMode, &ui::SettingsDialogModel::setSelectionMode);

    auto* ext = new QGroupBox("Save only these Extensions", this);
    ext->setGeometry(15, 140, 275, 220);
    extension_ = new QLineEdit(ext);
    extension_->setObjectName("item1126");
    extension_->setGeometry(10, 24, 120, 24);
    auto* add = new QPushButton("&Add ", ext);
    add->setGeometry(140, 24, 50, 24);
    remove_ = new QPushButton("&Remove", ext);
    remove_->setGeometry(195, 24, 58, 24);
    list_ = new QListWidget(ext);
    list_->setGeometry(10, 56, 240, 154);
    refillList();
    connect(add, &QPushButton::clicked, this, [this] {
        if (model_.add(extension_->text().toStdString())) {
            extension_->clear();
            extension_->setFocus();
        }
        refillList();
    });
    connect(remove_, &QPushButton::clicked, this, [this] {
        std::optional<std::size_t> selected;
        if (list_->currentRow() >= 0)
            selected = std::size_t(list_->currentRow());
        auto next = model_.remove(selected);
        refillList();
        if (next)
            list_->setCurrentRow(int(*next));
    });

    auto* dates = new QGroupBox("File Updated", this);
    dates->setGeometry(300, 140, 275, 220);
    // The column headings sit below the frame's title, the two rows of lists below them.
    placeLabel("Earlier", dates, QRect(10, 54, 60, 24));
    placeLabel("After", dates, QRect(10, 124, 60, 24));
    placeLabel("Day", dates, QRect(70, 26, 54, 20));
    placeLabel("Month", dates, QRect(130, 26, 54, 20));
    placeLabel("Year", dates, QRect(190, 26, 66, 20));
    const int counts[] = {ui::kDayItems, ui::kMonthItems, ui::kYearItems};
    for (std::size_t i = 0; i < output::kDateLists; ++i) {
        auto* combo = new QComboBox(dates);
        int kind = int(i % 3);
        combo->setGeometry(70 + kind * 60, i < 3 ? 54 : 124, kind == 2 ? 66 : 54, 24);
        for (int k = 0; k < counts[kind]; ++k)
            combo->addItem(kind == 2 ? QString::number(1970 + k)
                                     : QString::asprintf("%02d", k + 1));
        combo->setCurrentIndex(model_.datePositions()[i]);
        connect(combo, &QComboBox::currentIndexChanged, this,
                [this, i](int position) { model_.selectDate(output::DateList(i), position); });
        dates_[i] = combo;
    }
    auto* apply = placeButton("&Apply", "Apply", this, 370, 378);
    auto* cancel = placeButton("Cancel", "Cancel", this, 478, 378);
    connect(apply, &QPushButton::clicked, this, &SettingsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &SettingsDialog::reject);
    fitToFont(this);
}

void SettingsDialog::refillList() {
    list_->clear();
    for (const auto& e : model_.listBox())
        list_->addItem(QString::fromStdString(e));
    remove_->setEnabled(model_.removeEnabled());
}

void SettingsDialog::accept() {
    model_.apply();
    QDialog::accept();
}

void SettingsDialog::reject() {
    model_.cancel();
    QDialog::reject();
}

CalculatingDialog::CalculatingDialog(QWidget* parent, app::RecoveryContext& ctx)
    : SkinnedDialog(parent), ctx_(ctx), model_(ctx, [this] {
          QMetaObject::invokeMethod(
              this, [this] { update(); }, Qt::QueuedConnection);
      }) {
    setWindowTitle("Calculating File Size");
    setFixedSize(320, 130);
    placeLabel("Calculating the size of the selected files...", this, QRect(20, 14, 280, 20));
    counter_ = placeLabel("Files : 0", this, QRect(20, 40, 280, 22));
    counter_->setObjectName("item1141");
    auto* stop = placeButton("Stop ", "Stop", this, 50, 84);
    auto* cancel = placeButton("Cancel", "Cancel", this, 170, 84);
    connect(stop, &QPushButton::clicked, this, [this] { model_.stop(); });
    connect(cancel, &QPushButton::clicked, this, [this] { model_.stop(); });
    ctx_.save.countView = this;
    fitToFont(this);
}

CalculatingDialog::~CalculatingDialog() {
    ctx_.save.countView = nullptr;
}

void CalculatingDialog::showFilesCounted(std::uint32_t filesToSave) {
    QMetaObject::invokeMethod(
        this, [this, filesToSave] { counter_->setText(QString("Files : %1").arg(filesToSave)); },
        Qt::QueuedConnection);
}

void CalculatingDialog::paintEvent(QPaintEvent* event) {
    SkinnedDialog::paintEvent(event);
    if (!closing_ && model_.paint()) {
        closing_ = true;
        QTimer::singleShot(0, this, [this] { done(model_.cancelled() ? Rejected : Accepted); });
    }
}

SavingDialog::SavingDialog(QWidget* parent, app::RecoveryContext& ctx)
    : SkinnedDialog(parent), ctx_(ctx), model_(ctx, [this] {
          QMetaObject::invokeMethod(
              this, [this] { update(); }, Qt::QueuedConnection);
      }) {
    setWindowTitle("Saving");
    setFixedSize(570, 330);
    const int lx = 20, vx = 200, w = 350;
    placeLabel("File Name :", this, QRect(lx, 20, 170, 22));
    name_ = placeLabel("", this, QRect(vx, 20, w, 22));
    placeLabel("File Path :", this, QRect(lx, 48, 170, 22));
    path_ = placeLabel("", this, QRect(vx, 48, w, 40));
    path_->setWordWrap(true);
    path_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    path_->setContentsMargins(0, 3, 0, 0); // in line with its label
    placeLabel("Total Files Recovered :", this, QRect(lx, 94, 170, 22));
    files_ = placeLabel("", this, QRect(vx, 94, w, 22));
    placeLabel(" Recovered Current File :", this, QRect(lx, 122, 170, 22));
    current_ = placeLabel("", this, QRect(vx, 122, w, 22));
    placeLabel("Total Data Recovered :", this, QRect(lx, 150, 170, 22));
    done_ = placeLabel("", this, QRect(vx, 150, 100, 22));
    placeLabel("/", this, QRect(vx + 105, 150, 10, 22));
    total_ = placeLabel("", this, QRect(vx + 120, 150, 120, 22));
    placeLabel("Time Remaining :", this, QRect(lx, 178, 170, 22));
    remaining_ = placeLabel("", this, QRect(vx, 178, w, 22));
    placeLabel("Time Elapsed", this, QRect(lx, 206, 170, 22));
    elapsed_ = placeLabel("", this, QRect(vx, 206, w, 22));
    bar_ = new TextProgress(this);
    bar_->setObjectName("item1145");
    bar_->setGeometry(lx, 240, 530, 22);
    auto* stop = placeButton("&Stop", "Stop", this, 170, 282);
    auto* skip = placeButton("S&kip", "Skip", this, 300, 282);
    connect(stop, &QPushButton::clicked, this, [this] { model_.stop(); });
    connect(skip, &QPushButton::clicked, this, [this] { model_.skip(); });
    ctx_.save.progress = this;
    fitToFont(this);
}

SavingDialog::~SavingDialog() {
    ctx_.save.progress = nullptr;
}

void SavingDialog::showSaving(const ui::SavingTexts& texts) {
    QMetaObject::invokeMethod(
        this, [this, texts] { apply(texts); }, Qt::QueuedConnection);
}

void SavingDialog::apply(const ui::SavingTexts& t) {
    name_->setText(QString::fromStdString(t.fileName));
    path_->setText(QString::fromStdString(t.filePath));
    files_->setText(QString::fromStdString(t.totalFiles));
    current_->setText(QString::fromStdString(t.currentFile));
    done_->setText(QString::fromStdString(t.dataDone));
    total_->setText(QString::fromStdString(t.dataTotal));
    remaining_->setText(QString::fromStdString(t.timeRemaining));
    elapsed_->setText(QString::fromStdString(t.timeElapsed));
    bar_->setPos(t.percent);
    bar_->setText(QString::fromStdString(t.percentText));
}

void SavingDialog::paintEvent(QPaintEvent* event) {
    SkinnedDialog::paintEvent(event);
    if (!closing_ && model_.paint()) {
        closing_ = true;
        QTimer::singleShot(0, this, [this] { QDialog::accept(); });
    }
}

} // namespace qr::gui
