// The wizard window driven with the mouse from the disk step to saved files.
#include "FileListAdapter.h"
#include "GuiDriver.h"
#include "PanelTree.h"
#include "TreeAdapter.h"
#include "dialogs/SaveDialogs.h"
#include "dialogs/SimpleDialogs.h"
#include "disk/DiskRegistry.h"
#include "skin/ImageButton.h"
#include "support/FatImages.h"
#include "support/FuseMedium.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

namespace qr::test {
namespace {

namespace item = app::item;
using platform::MessageAnswer;

// The file as mtools reads it from the demo card's FAT32 volume.
std::string cardFile(const std::string& path, const TempDir& dir) {
    auto out = dir / "expected.bin";
    runOrFail("MTOOLS_SKIP_CHECK=1 mcopy -n -i " + shellQuote(GuiSession::demoCard().string()) +
              "@@32256 " + shellQuote("::" + path) + " " + shellQuote(out.string()));
    return fileText(out);
}

std::vector<std::string> listColumn(gui::MainWindow& w, int column) {
    std::vector<std::string> cells;
    for (const auto& row : w.context().fileList.rows())
        cells.push_back(row.cells[std::size_t(column)]);
    return cells;
}

bool contains(const std::vector<std::string>& cells, const std::string& text) {
    return std::find(cells.begin(), cells.end(), text) != cells.end();
}

class WizardWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveTools({"sfdisk", "mkfs.fat", "mcopy", "mmd", "mdel", "mdeltree"}))
            GTEST_SKIP() << "the demo card needs sfdisk, mkfs.fat and mtools";
    }

    // Disk step: click Disk0 and pass over "Quick " (or another mode button).
    void chooseDemoDisk(gui::MainWindow& w, int modeButton, const std::string& workFolder = "") {
        ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
        if (!workFolder.empty())
            static_cast<QLineEdit*>(w.item(item::kFolderField))
                ->setText(QString::fromStdString(workFolder));
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        auto* disks = w.tree(item::kDiskTree);
        QModelIndex disk0 = findRow(disks, "Disk0");
        ASSERT_TRUE(disk0.isValid());
        clickRow(disks, disk0);
        EXPECT_EQ(w.context().selectedDiskLabel, "Disk0");
        EXPECT_TRUE(w.item(item::kQuickMode)->isEnabled());
        QApplication::processEvents(); // the disk details are laid out once listed
        screenshot(&w, "1-disk-step");
        EXPECT_EQ(layoutProblems(&w), std::vector<std::string>{});
        hover(w.item(modeButton));
        EXPECT_TRUE(w.item(item::kNext)->isEnabled());
        click(w.item(item::kNext));
        ASSERT_EQ(w.context().wizardStage, 1);
    }
};

TEST_F(WizardWindow, RecoversTheDemoCardWithTheMouseOnly) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    TempDir work;
    chooseDemoDisk(w, item::kQuickMode, work.path().string());
    EXPECT_EQ(w.context().workFolder, work.path().string());
    EXPECT_EQ(w.context().searchMode, app::kSearchStandard);
    EXPECT_TRUE(static_cast<QAbstractButton*>(w.item(item::kQuickMode))->isChecked());

    auto* partitions = w.tree(item::kPartitionTree);
    EXPECT_TRUE(partitions->isVisible());
    QModelIndex fat32 = findRow(partitions, "Partition - 1 ( FAT32 )");
    ASSERT_TRUE(fat32.isValid());
    clickRow(partitions, fat32);
    EXPECT_EQ(static_cast<QLabel*>(w.item(item::kModeCaption))->text(), "Standard Search");
    EXPECT_EQ(static_cast<QLineEdit*>(w.item(item::kStartSector))->text(), "63");
    screenshot(&w, "2-partition-step");
    EXPECT_EQ(layoutProblems(&w), std::vector<std::string>{});

    click(w.item(item::kNext));
    EXPECT_TRUE(w.item(item::kSearchView)->isVisible());
    screenshot(&w, "3-search-view");
    EXPECT_EQ(layoutProblems(&w), std::vector<std::string>{});
    ASSERT_TRUE(waitFor([&] {
        return w.context().wizardStage == 3 && !w.context().scanWorkerRunning &&
               w.context().recoveryTree.size() > 1;
    }));
    QApplication::processEvents();
    screenshot(&w, "3-browse-step");
    auto* folders = w.tree(item::kRecoveryTree);
    EXPECT_TRUE(folders->isVisible());
    EXPECT_FALSE(w.item(item::kStopSearch)->isVisible());
    EXPECT_EQ(layoutProblems(&w), std::vector<std::string>{});

    ASSERT_TRUE(waitFor([&] { return findRow(folders, "Documents").isValid(); }));
    QModelIndex documents = findRow(folders, "Documents");
    clickRow(folders, documents);
    ASSERT_TRUE(waitFor([&] { return w.context().fileList.rowCount() > 0; }));
    auto names = listColumn(w, model::file_col::Name);
    auto types = listColumn(w, model::file_col::Type);
    EXPECT_TRUE(contains(names, "Quarterly Report 2004.doc"));
    EXPECT_TRUE(contains(names, "Projects"));
    EXPECT_TRUE(contains(types, "Deleted Word File"));
    screenshot(&w, "4-folder-listed");

    // Enter on a file extracts it into the work folder (and hands it to the
    // desktop, which has no opener here).
    auto* list = static_cast<QTreeView*>(w.item(item::kFileList));
    QModelIndex report = findRow(list, "Quarterly Report 2004.doc");
    ASSERT_TRUE(report.isValid());
    {
        TempDir emptyPath;
        std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", emptyPath.path().c_str(), 1);
        list->setCurrentIndex(report);
        QTest::keyClick(list, Qt::Key_Return);
        setenv("PATH", oldPath.c_str(), 1);
    }
    TempDir scratchOpen;
    EXPECT_EQ(fileText(work / "Quarterly Report 2004.doc"),
              cardFile("/Documents/Quarterly Report 2004.doc", scratchOpen));

    // "Select &All files" marks every row, and the marks reach the file list saving reads.
    w.command(item::kMenuSelectAll)->trigger();
    for (const auto& row : w.context().fileList.rows())
        EXPECT_TRUE(row.selected) << row.cells[0];
    static_cast<QTreeView*>(w.item(item::kFileList))->clearSelection();
    EXPECT_FALSE(w.context().fileList.row(0).selected);

    // F7 and Tab move the focus between the file list and the folder tree.
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F7);
    EXPECT_TRUE(w.item(item::kFileList)->hasFocus());
    QTest::keyClick(w.item(item::kFileList), Qt::Key_Tab);
    EXPECT_TRUE(folders->hasFocus());
    QTest::keyClick(&w, Qt::Key_F6);
    EXPECT_TRUE(folders->hasFocus());
    EXPECT_TRUE(w.context().clickSelects);

    // Tick "Documents" and "DCIM" by their check boxes, then save from the button.
    clickRow(folders, documents); // keeps the selection where it is
    for (const char* name : {"Documents", "DCIM"}) {
        QModelIndex index = findRow(folders, name);
        QTest::mouseClick(folders->viewport(), Qt::LeftButton, {},
                          folders->checkBoxRect(index).center());
        EXPECT_EQ(w.context().recoveryTree.check(w.treeAdapter(item::kRecoveryTree)->itemOf(index)),
                  model::CheckState::Checked)
            << name;
    }
    screenshot(&w, "5-folders-ticked");

    TempDir destination;
    onNextModal([&](QWidget* modal) {
        auto* saveAs = qobject_cast<gui::SaveAsDialog*>(modal);
        if (!saveAs)
            return false;
        screenshot(saveAs, "6-save-as");
        // A save started from the tree offers no "&Settings".
        EXPECT_FALSE(saveAs->findChild<QWidget*>("settings")->isEnabled());
        saveAs->folderBox()->setText(QString::fromStdString(destination.path().string()));
        click(saveAs->findChild<QWidget*>("ok"));
        return true;
    });
    click(w.item(item::kSaveButton));
    EXPECT_EQ(w.context().save.destinationFolder, destination.path().string());
    EXPECT_GE(w.context().save.counters.filesToSave, 3u);

    auto saved = findFile(destination.path(), "Quarterly Report 2004.doc");
    ASSERT_FALSE(saved.empty());
    TempDir scratch;
    EXPECT_EQ(fileText(saved), cardFile("/Documents/Quarterly Report 2004.doc", scratch));
    auto budget = findFile(destination.path(), "budget.xls");
    ASSERT_FALSE(budget.empty()) << run("find " + shellQuote(destination.path().string())).output;
    EXPECT_EQ(fileText(budget), cardFile("/Documents/Projects/budget.xls", scratch));
    auto photo = findFile(destination.path(), "IMG_0001.JPG");
    ASSERT_FALSE(photo.empty());
    EXPECT_EQ(fileText(photo), cardFile("/DCIM/100PHOTO/IMG_0001.JPG", scratch));
    // Music was not ticked.
    EXPECT_TRUE(findFile(destination.path(), "playlist.txt").empty());

    // Saving again to the same folder asks before replacing: "No &to All" keeps them all.
    bool replaceAsked = false;
    onNextModal([&](QWidget* modal) {
        if (auto* saveAs = qobject_cast<gui::SaveAsDialog*>(modal)) {
            saveAs->folderBox()->setText(QString::fromStdString(destination.path().string()));
            click(saveAs->findChild<QWidget*>("ok"));
            return false; // the replace question follows
        }
        auto* replace = qobject_cast<gui::ReplaceDialog*>(modal);
        if (!replace)
            return false;
        replaceAsked = true;
        screenshot(replace, "7-replace-question");
        click(replace->findChildren<gui::ImageButton*>()[3]);
        return true;
    });
    std::filesystem::resize_file(saved, 10); // would be restored by a replace
    click(w.item(item::kSaveButton));
    EXPECT_TRUE(replaceAsked);
    EXPECT_EQ(std::filesystem::file_size(saved), 10u);
    EXPECT_EQ(w.context().save.replacePolicy, output::ReplacePolicy::KeepAll);

    // Back to the partitions, then to the disks.
    click(w.item(item::kBack));
    EXPECT_EQ(w.context().wizardStage, 1);
    EXPECT_TRUE(partitions->isVisible());
    EXPECT_FALSE(folders->isVisible());
    EXPECT_FALSE(w.command(item::kMenuSave)->isEnabled());
    EXPECT_EQ(w.context().recoveryTree.size(), 1u); // a fresh "Root" only
    EXPECT_EQ(layoutProblems(&w), std::vector<std::string>{});
    click(w.item(item::kBack));
    EXPECT_EQ(w.context().wizardStage, 0);
    EXPECT_TRUE(w.tree(item::kDiskTree)->isVisible());
    // Nothing of the finished search stays over the disk step's controls.
    EXPECT_FALSE(w.item(item::kProgressCaption)->isVisible());
    EXPECT_FALSE(w.item(item::kProgressBar)->isVisible());
    EXPECT_EQ(static_cast<QLabel*>(w.item(item::kProgressCaption))->text(), "");
    EXPECT_EQ(layoutProblems(&w), std::vector<std::string>{});
}

// The arrow keys move the highlight in the folder tree; Enter lists the highlighted
// folder, not the one clicked before.
TEST_F(WizardWindow, EnterListsTheFolderTheArrowKeysHighlighted) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    chooseDemoDisk(w, item::kQuickMode);
    auto* partitions = w.tree(item::kPartitionTree);
    clickRow(partitions, findRow(partitions, "Partition - 1 ( FAT32 )"));
    click(w.item(item::kNext));
    ASSERT_TRUE(waitFor([&] {
        return w.context().wizardStage == 3 && !w.context().scanWorkerRunning &&
               w.context().recoveryTree.size() > 1;
    }));
    auto* folders = w.tree(item::kRecoveryTree);
    ASSERT_TRUE(waitFor([&] { return findRow(folders, "DCIM").isValid(); }));
    QModelIndex documents = findRow(folders, "Documents");
    QModelIndex dcim = findRow(folders, "DCIM");
    ASSERT_EQ(documents.parent(), dcim.parent());
    clickRow(folders, documents);
    ASSERT_TRUE(waitFor([&] { return w.context().fileList.rowCount() > 0; }));
    ASSERT_TRUE(contains(listColumn(w, model::file_col::Name), "Quarterly Report 2004.doc"));

    folders->setFocus();
    const auto key = dcim.row() > documents.row() ? Qt::Key_Down : Qt::Key_Up;
    for (int press = 0; press < 20 && folders->currentIndex() != findRow(folders, "DCIM"); ++press)
        QTest::keyClick(folders, key);
    ASSERT_EQ(folders->currentIndex().data().toString(), "DCIM");
    QTest::keyClick(folders, Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return w.context().fileList.rowCount() > 0; }));
    auto names = listColumn(w, model::file_col::Name);
    EXPECT_TRUE(contains(names, "100PHOTO")) << names.size();
    EXPECT_FALSE(contains(names, "Quarterly Report 2004.doc"));
    EXPECT_EQ(w.context().currentFolderItem,
              w.treeAdapter(item::kRecoveryTree)->itemOf(findRow(folders, "DCIM")));
}

// A save across a sector the medium cannot read ends by telling how many files hold
// zeros in its place.
TEST_F(WizardWindow, SaveEndTellsOfFilesWithUnreadableSectors) {
#ifndef STALL_FS
    GTEST_SKIP() << "stall-fs was not built (libfuse3-dev missing)";
#else
    if (!FuseMedium::usable())
        GTEST_SKIP() << "FUSE missing";
    TempDir dir;
    FatImageOptions o;
    o.partitioned = true;
    FatImage image(dir / "card.img", o);
    image.mkdir("::/PHOTOS");
    image.writeFile("::/PHOTOS/A.JPG", std::string(20000, 'a'));
    image.writeFile("::/PHOTOS/B.JPG", std::string(3000, 'b'));
    const std::uint64_t bad = image.clusterSector(image.firstCluster("::/PHOTOS/A.JPG")) + 2;
    FuseMedium medium(image.path(), FuseMedium::kNever, bad * 512, bad * 512 + 512);
    ASSERT_TRUE(medium.mounted());

    GuiSession s({}, false, {medium.medium().string()});
    gui::MainWindow& w = *s.window;
    chooseDemoDisk(w, item::kQuickMode);
    auto* partitions = w.tree(item::kPartitionTree);
    clickRow(partitions, findRow(partitions, "Partition - 1 ( FAT32 )"));
    click(w.item(item::kNext));
    auto* folders = w.tree(item::kRecoveryTree);
    ASSERT_TRUE(waitFor([&] {
        return w.context().wizardStage == 3 && !w.context().scanWorkerRunning &&
               findRow(folders, "PHOTOS").isValid();
    }));
    tickRow(folders, findRow(folders, "PHOTOS"));
    TempDir destination;
    s.messages.clear();
    saveTickedTo(w, destination.path());
    EXPECT_EQ(w.context().save.summary.withUnreadable, 1u);
    EXPECT_EQ(fileText(findFile(destination.path(), "B.JPG")), std::string(3000, 'b'));
    const auto asked = s.messages.asked();
    ASSERT_FALSE(asked.empty());
    EXPECT_NE(asked.back().text.find("1 file was saved with zeros"), std::string::npos)
        << asked.back().text;
#endif
}

TEST_F(WizardWindow, PartitionStepChecksKeepTheWindowOnTheStep) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    chooseDemoDisk(w, item::kAdvancedMode);
    EXPECT_EQ(w.context().searchMode, app::kSearchAdvanced);
    screenshot(&w, "2b-partition-step-advanced");
    auto* type = static_cast<QComboBox*>(w.item(item::kPartitionType));
    auto* start = static_cast<QLineEdit*>(w.item(item::kStartSector));
    auto* end = static_cast<QLineEdit*>(w.item(item::kEndSector));
    ASSERT_TRUE(type->isEnabled());

    type->setCurrentIndex(3);
    click(w.item(item::kNext));
    type->setCurrentIndex(1);
    start->clear();
    end->setText("not a number");
    click(w.item(item::kNext));
    start->setText("100");
    end->setText("101");
    click(w.item(item::kNext));
    end->setText("x");
    click(w.item(item::kNext));

    auto asked = s.messages.asked();
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[0].text, "Select partition type");
    EXPECT_EQ(asked[1].text, "Start sector is not valid");
    EXPECT_EQ(asked[2].text, "End sector should be bigger than start sector");
    EXPECT_EQ(asked[3].text, "Ending sector is not valid");
    for (const auto& m : asked) {
        EXPECT_EQ(m.caption, "Quarrixdale Recovery-Memory Card");
        EXPECT_EQ(m.icon, platform::MessageIcon::Error);
    }
    EXPECT_EQ(w.context().wizardStage, 1);
    EXPECT_TRUE(w.item(item::kPartitionOptions)->isVisible());
    EXPECT_FALSE(w.context().scanWorkerRunning);

    click(w.item(item::kBack));
    EXPECT_EQ(w.context().wizardStage, 0);
    EXPECT_TRUE(w.tree(item::kDiskTree)->isVisible());
    EXPECT_FALSE(w.item(item::kNext)->isEnabled());
}

TEST_F(WizardWindow, RawModeShowsItsOwnControlsAndBackReturnsToTheDisks) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    chooseDemoDisk(w, item::kRawMode);
    EXPECT_EQ(static_cast<QLabel*>(w.item(item::kModeCaption))->text(), "Raw Recovery Mode");
    for (int id : {item::kFileTypeList, item::kEntireDisk, item::kSectorRange, item::kStartRecovery,
                   item::kResultList})
        EXPECT_TRUE(w.item(id)->isVisible()) << id;
    EXPECT_FALSE(w.item(item::kPartitionType)->isVisible());
    EXPECT_FALSE(w.item(item::kNext)->isEnabled());
    click(w.item(item::kSectorRange));
    EXPECT_EQ(static_cast<QLineEdit*>(w.item(item::kRawStart))->text(), "0");
    EXPECT_EQ(static_cast<QLineEdit*>(w.item(item::kRawEnd))->text(), "196608");
    EXPECT_EQ(w.context().rawDiskSectors, 196608u);
    screenshot(&w, "2c-partition-step-raw");
    EXPECT_EQ(layoutProblems(&w), std::vector<std::string>{});
    click(w.item(item::kEntireDisk));
    EXPECT_TRUE(w.context().rawWholeDisk);
    EXPECT_FALSE(w.item(item::kRawStart)->isEnabled());

    click(w.item(item::kBack));
    EXPECT_EQ(w.context().wizardStage, 0);
    EXPECT_FALSE(w.item(item::kFileTypeList)->isVisible());
    EXPECT_TRUE(w.item(item::kDiskStepPanel)->isVisible());
    EXPECT_EQ(w.context().searchMode, app::kNoSearchMode);
}

// The log buttons stay clickable from the start: in Raw mode they answer with their
// message, on the other steps they do nothing.
TEST_F(WizardWindow, LogButtonsInRawModeTellThatTheyCannotBeUsed) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    chooseDemoDisk(w, item::kRawMode);
    click(w.item(item::kLoadLogButton));
    click(w.item(item::kSaveLogButton));
    const std::string text = "This Feature can not be used while running under RAW Recovery Mode";
    EXPECT_EQ(s.messages.texts(), (std::vector<std::string>{text, text}));
    ASSERT_EQ(s.messages.count(), 2u);
    EXPECT_EQ(s.messages.asked()[0].icon, platform::MessageIcon::Error);
}

TEST_F(WizardWindow, MenusStartGreyedAndBalloonHelpToggles) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    for (int id : {item::kMenuSelectAll, item::kMenuSave, item::kMenuSaveLog, item::kMenuLoadLog})
        EXPECT_FALSE(w.command(id)->isEnabled()) << id;
    EXPECT_EQ(w.command(item::kMenuSave)->text(), "&Save ");
    EXPECT_EQ(w.command(32802)->text(), "Contents        ");
    QAction* balloon = w.command(32851);
    EXPECT_TRUE(balloon->isChecked());
    balloon->trigger();
    EXPECT_FALSE(balloon->isChecked());
    EXPECT_FALSE(w.balloonHelp());
    balloon->trigger();
    EXPECT_TRUE(balloon->isChecked());
    EXPECT_TRUE(w.balloonHelp());
    w.command(32835)->trigger();
    ASSERT_EQ(s.messages.count(), 1u);
    EXPECT_EQ(s.messages.asked()[0].text, "This feature is not currently available");
    EXPECT_EQ(s.messages.asked()[0].caption, "Live Update");
    // "Add Disk Image...": one more image becomes Disk1 of the disk tree.
    auto blank = s.dir / "blank.img";
    runOrFail("truncate -s 1M " + shellQuote(blank.string()));
    w.addDiskImage(blank.string());
    EXPECT_TRUE(waitFor([&] { return findRow(w.tree(item::kDiskTree), "Disk1").isValid(); }));
    EXPECT_TRUE(findRow(w.tree(item::kDiskTree), "Disk0").isValid());

    // "Select &All files" does nothing before the browse step.
    w.command(item::kMenuSelectAll)->setEnabled(true);
    w.command(item::kMenuSelectAll)->trigger();
    EXPECT_FALSE(
        static_cast<QTreeView*>(w.item(item::kFileList))->selectionModel()->hasSelection());
}

// A search that keeps waiting on the window (as a worker asking a question does) is
// stopped by the close sequence without a deadlock, and the window closes.
TEST_F(WizardWindow, CloseDuringASearchStopsAWorkerThatWaitsOnTheWindow) {
    GuiSession s({MessageAnswer::No, MessageAnswer::Yes});
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.show();
    auto& ctx = w.context();
    std::atomic<int> served{0};
    ctx.partitionSearchRunning = true;
    ctx.partitionSearchThread = std::jthread([&](std::stop_token stop) {
        while (!stop.stop_requested()) {
            gui::runOnGuiThread(&w, [&] { ++served; });
            ctx.window().setItemText(item::kProgressCaption, "Searching Partition...");
        }
        ctx.partitionSearchRunning = false;
    });
    ASSERT_TRUE(waitFor([&] { return served > 3; }));
    w.close();
    QApplication::processEvents();
    EXPECT_TRUE(waitFor([&] { return s.messages.count() == 1; }));
    EXPECT_TRUE(ctx.partitionSearchRunning); // "No": the search goes on
    EXPECT_TRUE(w.isVisible());
    w.close();
    ASSERT_TRUE(waitFor([&] { return !w.isVisible(); }, 10000));
    EXPECT_FALSE(ctx.partitionSearchRunning);
    EXPECT_FALSE(ctx.partitionSearchThread.joinable());
    EXPECT_EQ(s.messages.texts(),
              (std::vector<std::string>{"Do you want terminate current process?",
                                        "Do you want terminate current process?"}));
}

// A worker that takes a while to stop (a slow read of a bad sector): a second close
// while the first one still serves its end must not join the thread a second time.
TEST_F(WizardWindow, ASecondCloseWhileAWorkerStopsWaitsForTheFirstStop) {
    GuiSession s({MessageAnswer::Yes, MessageAnswer::Yes});
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.show();
    auto& ctx = w.context();
    std::atomic<int> served{0};
    ctx.partitionSearchRunning = true;
    ctx.partitionSearchThread = std::jthread([&](std::stop_token stop) {
        while (!stop.stop_requested())
            gui::runOnGuiThread(&w, [&] { ++served; });
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        ctx.partitionSearchRunning = false;
    });
    ASSERT_TRUE(waitFor([&] { return served > 3; }));
    QTimer::singleShot(150, &w, [&] { w.close(); });
    QTimer::singleShot(200, &w, [&] { QTest::keyClick(&w, Qt::Key_Escape); });
    w.close();
    ASSERT_TRUE(waitFor([&] { return !w.isVisible(); }, 10000));
    EXPECT_FALSE(ctx.partitionSearchRunning);
    EXPECT_FALSE(ctx.partitionSearchThread.joinable());
    EXPECT_EQ(s.messages.texts(),
              std::vector<std::string>{"Do you want terminate current process?"});
}

// "&Stop Searching" pressed while a close is already ending the scan worker: the scan
// worker clears its running flag just before its thread ends, and the thread must
// still be joined once only.
TEST_F(WizardWindow, StopSearchingDuringACloseDoesNotJoinTheScanWorkerTwice) {
    GuiSession s({MessageAnswer::Yes});
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.show();
    auto& ctx = w.context();
    std::atomic<int> served{0};
    ctx.scanWorkerRunning = true;
    ctx.scanWorker = std::jthread([&](std::stop_token stop) {
        while (!stop.stop_requested())
            gui::runOnGuiThread(&w, [&] { ++served; });
        ctx.scanWorkerRunning = false;
        std::this_thread::sleep_for(std::chrono::milliseconds(400)); // the thread's own end
    });
    ASSERT_TRUE(waitFor([&] { return served > 3; }));
    QTimer::singleShot(100, &w,
                       [&] { static_cast<QAbstractButton*>(w.item(item::kStopSearch))->click(); });
    w.close();
    ASSERT_TRUE(waitFor([&] { return !w.isVisible(); }, 10000));
    EXPECT_FALSE(ctx.scanWorker.joinable());
    EXPECT_EQ(s.messages.texts(),
              std::vector<std::string>{"Do you want terminate current process?"});
}

// The window goes away while a worker still waits on it (a tree update, a question):
// the worker is stopped and served to its end instead of waiting forever.
TEST_F(WizardWindow, DestroyingTheWindowEndsAWorkerThatWaitsOnIt) {
    GuiSession s;
    auto& ctx = s.window->context();
    std::atomic<int> served{0};
    std::atomic<bool> ended{false};
    ctx.scanWorkerRunning = true;
    ctx.scanWorker = std::jthread([&, w = s.window.get()](std::stop_token stop) {
        while (!stop.stop_requested())
            gui::runOnGuiThread(w, [&] { ++served; });
        gui::runOnGuiThread(w, [&] { ++served; }); // a last update on the way out
        ctx.scanWorkerRunning = false;
        ended = true;
    });
    ASSERT_TRUE(waitFor([&] { return served > 3; }));
    s.window.reset();
    EXPECT_TRUE(ended);
}

TEST_F(WizardWindow, NoMediaRetryListsACardAttachedMeanwhile) {
    GuiSession s({}, false);
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::NoMedia);
    w.show();
    bool asked = false;
    onNextModal([&](QWidget* modal) {
        auto* noMedia = qobject_cast<gui::NoMediaDialog*>(modal);
        if (!noMedia)
            return false;
        asked = true;
        screenshot(noMedia, "dialog-no-media-at-start");
        disk::RegisterDiskImages(*s.registry, {GuiSession::demoCard().string()});
        click(noMedia->findChildren<gui::ImageButton*>()[0]); // "Retry"
        return true;
    });
    w.startNoMediaPrompt();
    ASSERT_TRUE(waitFor([&] { return findRow(w.tree(item::kDiskTree), "Disk0").isValid(); }));
    EXPECT_TRUE(asked);
    EXPECT_TRUE(w.context().anyDiskFound);
}

TEST_F(WizardWindow, ExitFromTheMenuAndFromTheButton) {
    {
        GuiSession s({MessageAnswer::No, MessageAnswer::Yes});
        gui::MainWindow& w = *s.window;
        ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
        w.show();
        w.command(57665)->trigger();
        EXPECT_TRUE(w.isVisible()); // "No"
        w.command(57665)->trigger();
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(s.messages.texts(),
                  (std::vector<std::string>{"Do you want to Exit?", "Do you want to Exit?"}));
        EXPECT_TRUE(s.shell.opened.empty());
    }
    GuiSession s({MessageAnswer::Yes});
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.show();
    click(w.item(1021));
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(
        s.messages.texts(),
        std::vector<std::string>{"Do you want to exit from Quarrixdale Recovery-Memory Card?"});
    EXPECT_EQ(s.shell.opened, std::vector<std::string>{app::kMakerWebSite});
}

TEST_F(WizardWindow, CloseAsksBeforeExitingAndOpensTheSite) {
    GuiSession s({MessageAnswer::No, MessageAnswer::Yes});
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());
    w.close(); // the close box
    ASSERT_TRUE(waitFor([&] { return !w.isVisible(); }, 5000));
    auto asked = s.messages.asked();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, "Do you want to exit from Quarrixdale Recovery-Memory Card?");
    EXPECT_EQ(asked[1].text, "Do you want to exit from Quarrixdale Recovery-Memory Card?");
    EXPECT_EQ(s.shell.opened, std::vector<std::string>{app::kMakerWebSite});
}

} // namespace
} // namespace qr::test
