// The browse step as a user meets it: columns that sort by value, the filter box and
// its checks, the photo types' own labels, each deleted file's recoverability with a
// mark on its icon, and Back to the partition step keeping the partition searched.
#include "FileListAdapter.h"
#include "FileListFilterBar.h"
#include "GuiDriver.h"
#include "PanelTree.h"
#include "PreviewPane.h"
#include "dialogs/SaveSummaryDialog.h"
#include "support/DemoCard.h"
#include "support/FatImages.h"
#include "support/SaveFixtures.h"

#include <QBuffer>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

namespace qr::test {
namespace {

namespace item = app::item;
namespace col = model::file_col;
namespace fs = std::filesystem;

// The view's column `column`, top to bottom, as shown.
std::vector<std::string> shown(QTreeView* list, int column) {
    std::vector<std::string> cells;
    QAbstractItemModel* m = list->model();
    for (int r = 0; r < m->rowCount(); ++r)
        cells.push_back(m->index(r, column).data().toString().toStdString());
    return cells;
}

std::ptrdiff_t at(const std::vector<std::string>& cells, const std::string& text) {
    const auto found = std::find(cells.begin(), cells.end(), text);
    return found == cells.end() ? -1 : found - cells.begin();
}

// The cell of `column` in the row named `name`; "(no such row)" when there is none.
std::string cellOf(const std::vector<std::string>& names, const std::vector<std::string>& column,
                   const std::string& name) {
    const std::ptrdiff_t row = at(names, name);
    return row < 0 || std::size_t(row) >= column.size() ? "(no such row)"
                                                        : column[std::size_t(row)];
}

// 1400 x 900, or more at a larger font: room for the preview beside the list.
QSize largeSize(QSize placed) {
    return {std::max(1400, placed.width() + 640), std::max(900, placed.height() + 200)};
}

// A partitioned FAT16 card: there mtools gives a new file the first free clusters (on
// FAT32 it goes on from the last one it allocated), so a deleted file's are taken.
std::unique_ptr<FatImage> makeCard(const TempDir& dir) {
    FatImageOptions o;
    o.fatBits = 16;
    o.sectorsPerCluster = 4;
    o.partitioned = true;
    return std::make_unique<FatImage>(dir / "card.img", o);
}

// Partition 1 of the first disk searched in Standard mode, up to the browse step.
void toBrowseStep(gui::MainWindow& w, const char* partition = "Partition - 1 ( FAT16 )") {
    toPartitionStep(w);
    ASSERT_EQ(w.context().wizardStage, 1);
    auto* partitions = w.tree(item::kPartitionTree);
    const QModelIndex chosen = findRow(partitions, partition);
    ASSERT_TRUE(chosen.isValid()) << partition;
    clickRow(partitions, chosen);
    click(w.item(item::kNext));
    ASSERT_TRUE(waitFor([&] {
        return w.context().wizardStage == 3 && !w.context().scanWorkerRunning &&
               w.context().recoveryTree.size() > 0;
    }));
    QApplication::processEvents();
}

class BrowseWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveFatTools())
            GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
        image = makeCard(dir);
        const auto put = [&](const std::string& name, const std::string& content,
                             const char* date) {
            const fs::path host = dir / "host.bin";
            std::ofstream(host, std::ios::binary | std::ios::trunc) << content;
            runOrFail(std::string("touch -d '") + date + "' " + shellQuote(host.string()));
            image->copyInKeepingTime(host, "::/" + name);
        };
        const std::string jpeg = "\xFF\xD8\xFF\xE0";
        put("SUMMER.JPG", jpeg + PatternBytes(5000, 1), "2019-07-01 10:00:00");
        put("WINTER.JPG", jpeg + PatternBytes(300, 2), "2021-01-05 08:30:00");
        put("LETTER.DOC", PatternBytes(90000, 3), "2015-03-04 12:00:00");
        put("KEPT.JPG", jpeg + PatternBytes(20000, 4), "2020-02-02 02:02:02");
        put("TAKEN.JPG", jpeg + PatternBytes(20000, 5), "2020-02-03 02:02:02");
        // The new file goes into a folder made beforehand, so TAKEN.JPG keeps its entry
        // (a deleted entry is reused), while its clusters, the first free ones, are taken.
        image->mkdir("::/NEW");
        put("NEWEST.BIN", PatternBytes(100, 7), "2022-05-05 05:05:04");
        image->del("::/TAKEN.JPG");
        put("NEW/NEWER.BIN", PatternBytes(30000, 6), "2022-05-05 05:05:04");
        image->del("::/KEPT.JPG");
    }
    TempDir dir;
    std::unique_ptr<FatImage> image;
};

TEST_F(BrowseWindow, ColumnsSortByValueAndTheFilterNarrowsTheList) {
    GuiSession s({}, false, {image->path().string()});
    gui::MainWindow& w = *s.window;
    toBrowseStep(w);
    auto* folders = w.tree(item::kRecoveryTree);
    clickRow(folders, folders->model()->index(0, 0)); // the root
    ASSERT_TRUE(waitFor([&] { return w.context().fileList.rowCount() >= 6; }));
    QApplication::processEvents();
    auto* list = static_cast<QTreeView*>(w.item(item::kFileList));

    // The photos' own labels; the table's label for the rest.
    std::vector<std::string> names = shown(list, col::Name);
    const std::vector<std::string> types = shown(list, col::Type);
    ASSERT_GE(at(names, "SUMMER.JPG"), 0);
    EXPECT_EQ(cellOf(names, types, "SUMMER.JPG"), "JPEG Image");
    EXPECT_EQ(cellOf(names, types, "_EPT.JPG"), "Deleted JPEG Image");
    EXPECT_EQ(cellOf(names, types, "LETTER.DOC"), "Microsoft Word File");

    // Recoverability beside Time: the deleted photo whose clusters were taken is not
    // called intact; the one left alone is.
    const auto judged = shown(list, gui::FileListAdapter::kRecoverabilityColumn);
    EXPECT_EQ(cellOf(names, judged, "_EPT.JPG"), "intact");
    EXPECT_EQ(cellOf(names, judged, "_AKEN.JPG"), "overwritten");
    EXPECT_EQ(cellOf(names, judged, "SUMMER.JPG"), "");
    EXPECT_EQ(list->model()
                  ->headerData(gui::FileListAdapter::kRecoverabilityColumn, Qt::Horizontal)
                  .toString(),
              "Recoverability");

    // Sizes as numbers: 304 before 5004 before 90000 (as text "90000" < "304" is false
    // but "5004" > "30000" would put them wrong).
    list->sortByColumn(col::Size, Qt::AscendingOrder);
    names = shown(list, col::Name);
    EXPECT_LT(at(names, "WINTER.JPG"), at(names, "SUMMER.JPG"));
    EXPECT_LT(at(names, "NEWEST.BIN"), at(names, "WINTER.JPG"));
    EXPECT_LT(at(names, "SUMMER.JPG"), at(names, "LETTER.DOC"));
    screenshot(&w, "browse-sorted-by-size");
    list->sortByColumn(col::Size, Qt::DescendingOrder);
    names = shown(list, col::Name);
    EXPECT_LT(at(names, "LETTER.DOC"), at(names, "WINTER.JPG"));
    // Dates as dates: 04-Mar-2015, 01-Jul-2019, 05-Jan-2021 (as text "01" < "04" < "05"
    // would give 2019, 2015, 2021).
    list->sortByColumn(col::Date, Qt::AscendingOrder);
    names = shown(list, col::Name);
    EXPECT_LT(at(names, "LETTER.DOC"), at(names, "SUMMER.JPG"));
    EXPECT_LT(at(names, "SUMMER.JPG"), at(names, "WINTER.JPG"));
    EXPECT_LT(at(names, "WINTER.JPG"), at(names, "NEWEST.BIN"));
    // The selection a save reads follows the rows, not their places in the view.
    list->selectionModel()->select(list->model()->index(at(names, "WINTER.JPG"), 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    for (const auto& row : w.context().fileList.rows())
        EXPECT_EQ(row.selected, row.cells[col::Name] == "WINTER.JPG") << row.cells[col::Name];

    // The filter: an extension, a name part, deleted only, recoverable only.
    gui::FileListFilterBar* filter = w.filterBar();
    ASSERT_TRUE(filter->isVisible());
    filter->text()->setText(".jpg");
    names = shown(list, col::Name);
    EXPECT_EQ(names.size(), 4u);
    for (const auto& name : names)
        EXPECT_EQ(name.substr(name.size() - 4), ".JPG") << name;
    filter->text()->setText("win");
    EXPECT_EQ(shown(list, col::Name), std::vector<std::string>{"WINTER.JPG"});
    filter->text()->setText("jpeg image");
    EXPECT_EQ(shown(list, col::Name).size(), 4u);
    filter->text()->clear();
    filter->deletedOnly()->setChecked(true);
    names = shown(list, col::Name);
    EXPECT_EQ(names.size(), 2u);
    filter->recoverableOnly()->setChecked(true);
    EXPECT_EQ(shown(list, col::Name), std::vector<std::string>{"_EPT.JPG"});
    screenshot(&w, "browse-filtered");
    EXPECT_EQ(layoutProblems(&w), std::vector<std::string>{});
    filter->clear();
    EXPECT_GE(shown(list, col::Name).size(), 6u);

    // Back leaves the filter behind.
    filter->text()->setText("win");
    click(w.item(item::kBack));
    EXPECT_FALSE(filter->isVisible());
    EXPECT_TRUE(filter->text()->text().isEmpty());
}

// The window opens at its placed size and grows: the lists take what it adds and the
// buttons follow the edges, with no text cut. A save ends with its summary and a button
// that opens the destination.
TEST_F(BrowseWindow, TheWindowGrowsAndASaveEndsWithItsSummary) {
    GuiSession s({}, false, {image->path().string()});
    gui::MainWindow& w = *s.window;
    toBrowseStep(w);
    auto* folders = w.tree(item::kRecoveryTree);
    clickRow(folders, folders->model()->index(0, 0));
    ASSERT_TRUE(waitFor([&] { return w.context().fileList.rowCount() >= 6; }));
    auto* list = static_cast<QTreeView*>(w.item(item::kFileList));
    const QSize placed = w.size();
    const QRect listBefore = list->geometry(), nextBefore = w.item(item::kNext)->geometry();
    const int treeBefore = folders->height();
    EXPECT_LT(w.minimumWidth(), w.maximumWidth()); // it can be resized and maximised
    const QSize large = largeSize(placed);
    w.resize(large);
    ASSERT_TRUE(waitFor([&] { return w.size() == large; }, 5000));
    QApplication::processEvents();
    const int dx = large.width() - placed.width(), dy = large.height() - placed.height();
    // The list and the preview beside it share the room the window added.
    gui::PreviewPane* preview = w.preview();
    EXPECT_TRUE(preview->isVisible());
    EXPECT_EQ(list->x(), listBefore.x());
    EXPECT_EQ(preview->geometry().right(), listBefore.right() + dx);
    EXPECT_GT(list->width(), listBefore.width());
    EXPECT_EQ(list->height(), listBefore.height() + dy);
    EXPECT_EQ(preview->height(), list->height());
    EXPECT_FALSE(list->isColumnHidden(gui::FileListAdapter::kRecoverabilityColumn));
    EXPECT_EQ(w.item(item::kNext)->geometry(), nextBefore.translated(dx, dy));
    EXPECT_EQ(folders->height(), treeBefore + dy);
    EXPECT_GE(w.item(item::kStatusLine)->geometry().bottom(), 900 - 60);
    screenshot(&w, "browse-1400x900");
    EXPECT_EQ(layoutProblems(&w), std::vector<std::string>{});
    w.resize(placed);
    ASSERT_TRUE(waitFor([&] { return w.size() == placed; }, 5000));
    EXPECT_EQ(list->geometry(), listBefore);

    // Save the whole tree: the summary counts what was written.
    const fs::path out = dir / "saved";
    tickRow(folders, folders->model()->index(0, 0));
    saveTickedTo(w, out);
    ASSERT_TRUE(waitFor([&] { return w.saveSummary() != nullptr; }, 30000));
    auto* summary = qobject_cast<gui::SaveSummaryDialog*>(w.saveSummary());
    ASSERT_NE(summary, nullptr);
    const QString text = summary->findChild<QLabel*>()->text();
    const auto& totals = w.context().save.summary;
    EXPECT_TRUE(text.contains(QString("Files saved : %1").arg(totals.written)))
        << text.toStdString();
    EXPECT_GE(totals.written, 5u);
    EXPECT_TRUE(text.contains("Files that failed : 0")) << text.toStdString();
    EXPECT_TRUE(text.contains("Files with unreadable sectors : 0")) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromStdString(out.string())));
    screenshot(summary, "save-summary");
    click(summary->openButton());
    ASSERT_FALSE(s.shell.opened.empty());
    EXPECT_EQ(s.shell.opened.back(), out.string());
    summary->close();
}

TEST(BrowseWindowBack, BackThenNextSearchesTheHighlightedPartition) {
    if (!haveTools({"sfdisk", "mkfs.fat", "mcopy", "mmd", "mdel", "mdeltree"}))
        GTEST_SKIP() << "the demo card needs sfdisk, mkfs.fat and mtools";
    GuiSession s;
    gui::MainWindow& w = *s.window;
    toBrowseStep(w, "Partition - 2 ( FAT16 )");
    // The disk item tells model, size and path, so the card is told from the system disk.
    auto* disks = w.tree(item::kDiskTree);
    const std::string tip = findRow(disks, "Disk0").data(Qt::ToolTipRole).toString().toStdString();
    EXPECT_EQ(tip.rfind("Disk0 : ", 0), 0u) << tip;
    EXPECT_NE(tip.find(std::to_string(kDemoCardBytes / 1048576) + " MB"), std::string::npos) << tip;
    EXPECT_NE(tip.find(GuiSession::demoCard().string()), std::string::npos) << tip;
    EXPECT_EQ(w.context().volumeParams.partitionStart, kDemoFat16Start);
    click(w.item(item::kBack));
    ASSERT_EQ(w.context().wizardStage, 1);
    auto* partitions = w.tree(item::kPartitionTree);
    EXPECT_EQ(partitions->currentIndex().data().toString(), "Partition - 2 ( FAT16 )");
    EXPECT_EQ(static_cast<QLineEdit*>(w.item(item::kStartSector))->text().toStdString(),
              std::to_string(kDemoFat16Start));
    EXPECT_TRUE(w.item(item::kSearchPartition)->isVisible());
    screenshot(&w, "back-to-partition-step");
    click(w.item(item::kNext));
    ASSERT_TRUE(waitFor([&] {
        return w.context().wizardStage == 3 && !w.context().scanWorkerRunning &&
               w.context().recoveryTree.size() > 0;
    }));
    EXPECT_EQ(w.context().volumeParams.partitionStart, kDemoFat16Start);
}

} // namespace
} // namespace qr::test

namespace qr::test {
namespace {

// A real JPEG of `side` pixels, drawn and written by Qt.
std::string jpegBytes(int side, QColor colour) {
    QImage image(side, side * 3 / 4, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes.toStdString();
}

std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string bigEndian(std::uint32_t value) {
    return {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
}

// A PNG that declares 60000 x 60000 pixels and holds a few bytes: a decompression bomb.
std::string pngBomb() {
    std::string header =
        "IHDR" + bigEndian(60000) + bigEndian(60000) + std::string("\x08\x06\0\0\0", 5);
    std::string png = "\x89PNG\r\n\x1a\n";
    png += bigEndian(13) + header + bigEndian(crc32(header));
    const std::string data = "IDAT" + std::string("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9);
    png += bigEndian(9) + data + bigEndian(crc32(data));
    png += bigEndian(0) + "IEND" + bigEndian(crc32("IEND"));
    return png;
}

class PreviewWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveFatTools())
            GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
        image = makeCard(dir);
        image->writeFile("::/LIVE.JPG", jpegBytes(320, Qt::darkGreen));
        image->writeFile("::/KEPT.JPG", jpegBytes(200, Qt::blue));
        image->writeFile("::/TAKEN.JPG", jpegBytes(400, Qt::red));
        image->writeFile("::/BOMB.PNG", pngBomb());
        image->writeFile("::/NOTES.TXT", "Shopping list\nmilk\nbread\n");
        image->writeFile("::/BINARY.TXT", std::string("\x7f"
                                                      "ELF\x02\x01\x01\0\0\0",
                                                      10) +
                                              PatternBytes(3000, 4));
        // As in the browse test: the new file's entry lies in another folder.
        image->mkdir("::/NEW");
        image->del("::/TAKEN.JPG");
        image->writeFile("::/NEW/NEWER.BIN", PatternBytes(60000, 9));
        image->del("::/KEPT.JPG");
    }
    TempDir dir;
    std::unique_ptr<FatImage> image;
};

TEST_F(PreviewWindow, ShowsPicturesAndTextAndSaysWhatCannotBeShown) {
    GuiSession s({}, false, {image->path().string()});
    gui::MainWindow& w = *s.window;
    toBrowseStep(w);
    const QSize large = largeSize(w.size());
    w.resize(large);
    ASSERT_TRUE(waitFor([&] { return w.size() == large; }, 5000));
    auto* folders = w.tree(item::kRecoveryTree);
    clickRow(folders, folders->model()->index(0, 0));
    ASSERT_TRUE(waitFor([&] { return w.context().fileList.rowCount() >= 7; }));
    QApplication::processEvents();
    gui::PreviewPane* preview = w.preview();
    ASSERT_TRUE(preview->isVisible());
    auto* list = static_cast<QTreeView*>(w.item(item::kFileList));
    const auto select = [&](const std::string& name) {
        const auto names = shown(list, col::Name);
        const auto row = at(names, name);
        EXPECT_GE(row, 0) << name;
        list->setCurrentIndex(list->model()->index(int(row), 0));
        return waitFor([&] { return !preview->busy() && preview->message() != "Reading..."; });
    };

    ASSERT_TRUE(select("_EPT.JPG")); // a deleted photo still whole
    EXPECT_TRUE(preview->showsPicture()) << preview->message().toStdString();
    EXPECT_EQ(preview->message(), "200 x 150");
    screenshot(&w, "preview-deleted-jpeg");
    EXPECT_EQ(layoutProblems(&w), std::vector<std::string>{});

    ASSERT_TRUE(select("_AKEN.JPG")); // its clusters hold another file now
    EXPECT_FALSE(preview->showsPicture());
    EXPECT_TRUE(preview->message().startsWith("The picture cannot be decoded"))
        << preview->message().toStdString();
    screenshot(&w, "preview-overwritten-jpeg");

    ASSERT_TRUE(select("BOMB.PNG")); // refused by the allocation limit, quickly
    EXPECT_FALSE(preview->showsPicture());
    EXPECT_TRUE(preview->message().startsWith("The picture cannot be decoded"));

    ASSERT_TRUE(select("NOTES.TXT"));
    EXPECT_TRUE(preview->showsText());
    ASSERT_TRUE(select("BINARY.TXT"));
    EXPECT_FALSE(preview->showsText());
    EXPECT_EQ(preview->message(), "This file does not begin with text.");

    // A selection that moves on at once: only the last file is shown.
    const auto names = shown(list, col::Name);
    list->setCurrentIndex(list->model()->index(int(at(names, "LIVE.JPG")), 0));
    list->setCurrentIndex(list->model()->index(int(at(names, "NOTES.TXT")), 0));
    ASSERT_TRUE(waitFor([&] { return !preview->busy(); }));
    EXPECT_TRUE(preview->showsText());

    // At the placed size there is no room beside the list: the preview goes.
    w.resize(w.minimumSize());
    ASSERT_TRUE(waitFor([&] { return w.size() == w.minimumSize(); }, 5000));
    EXPECT_FALSE(preview->isVisible());
}

} // namespace
} // namespace qr::test
