// The wizard controller driven like a user, without a display: fields typed into a
// fake view, Next and Back pressed, questions answered from a script.
#include "app/Wizard.h"
#include "app/ReadFailureNotice.h"
#include "app/Startup.h"
#include "disk/SectorReader.h"
#include "model/RecoveryTree.h"
#include "platform/Programs.h"
#include "platform/RegistryData.h"
#include "support/MemoryDevice.h"
#include "support/RecordingShell.h"
#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>

namespace qr::test {
namespace {

namespace item = app::item;
using platform::MessageAnswer;

class FakeView final : public app::WizardView {
public:
    void setItemText(int id, const std::string& text) override { texts[id] = text; }
    void showItem(int id, bool visible) override { shown[id] = visible; }
    void enableItem(int id, bool enabled) override { enabled_[id] = enabled; }
    void setProgress(int, int) override {}
    void selectEntry(int id, int index) override { entries[id] = index; }
    std::string itemText(int id) override { return texts[id]; }
    int selectedEntry(int id) override { return entries.count(id) ? entries[id] : -1; }
    void checkItem(int id, bool checked) override { checks[id] = checked; }
    void focusItem(int) override {}
    void setListRows(int id, const std::vector<std::string>& rows) override { lists[id] = rows; }
    void setSingleColumn(int id, const std::string& title, int) override {
        columns[id] = title;
        lists[id].clear();
    }
    void closeWindow() override { closed = true; }
    bool isEnabled(int id) { return enabled_[id]; }

    std::map<int, std::string> texts;
    std::map<int, bool> shown, enabled_, checks;
    std::map<int, int> entries;
    std::map<int, std::vector<std::string>> lists;
    std::map<int, std::string> columns;
    bool closed = false;
};

struct WizardSession {
    explicit WizardSession(std::vector<MessageAnswer> answers = {}) : messages(std::move(answers)) {
        app::Services services;
        services.window = &view;
        services.messages = &messages;
        services.registry = &registry;
        services.shell = &shell;
        ctx = std::make_unique<app::RecoveryContext>(services);
        app::WizardEngines engines;
        // Disk0 holds one FAT32 partition from sector 63 to 131072.
        engines.readPartitionTable = [this](app::RecoveryContext& c) {
            auto root = c.partitionTree.insert(model::kNoItem, "Disk 0", 2, 2);
            auto& record = c.partitions[0];
            record.count = partitionsOnDisk;
            ++tableReads;
            if (partitionsOnDisk == 0)
                return;
            record.fileSystemNames[0] = partitionType;
            record.slots[1] = {
                c.partitionTree.insert(root, "Partition - 1 ( " + partitionType + " )", 1, 1), 63,
                131072};
            c.firstPartitionItem = record.slots[1].treeItem;
        };
        engines.validateVolume = [this](app::RecoveryContext&) {
            ++validations;
            return true;
        };
        engines.startScan = [this](app::RecoveryContext&) { ++scansStarted; };
        wizard = std::make_unique<app::Wizard>(*ctx, view, engines);
        auto root = ctx->diskTree.insert(model::kNoItem, "My Computer", 0, 0);
        disk0 = ctx->diskTree.insert(root, "Disk0", 1, 1);
        ctx->wizardStage = 0;
    }

    // Disk0, the given mode, Next.
    void toPartitionStep(std::uint16_t mode) {
        wizard->clickDisk(disk0);
        wizard->chooseMode(mode);
        wizard->next();
    }

    FakeView view;
    ScriptedMessages messages;
    platform::MemoryRegistryStore registry;
    RecordingShell shell;
    std::unique_ptr<app::RecoveryContext> ctx;
    std::unique_ptr<app::Wizard> wizard;
    model::TreeItem disk0 = model::kNoItem;
    int tableReads = 0;
    int scansStarted = 0;
    int validations = 0;
    std::uint32_t partitionsOnDisk = 1;
    std::string partitionType = "FAT32";
};

TEST(Wizard, ModeIsChosenOnlyAfterADiskAndEnablesNext) {
    WizardSession s;
    s.wizard->clickDisk(s.ctx->diskTree.firstTopLevel()); // "My Computer" does nothing
    EXPECT_TRUE(s.ctx->selectedDiskLabel.empty());
    s.wizard->next();
    EXPECT_EQ(s.ctx->wizardStage, 0);
    s.wizard->clickDisk(s.disk0);
    EXPECT_TRUE(s.view.isEnabled(item::kAdvancedMode));
    s.wizard->chooseMode(app::kSearchAdvanced);
    EXPECT_EQ(s.ctx->searchMode, app::kSearchAdvanced);
    EXPECT_TRUE(s.view.isEnabled(item::kNext));
    EXPECT_TRUE(s.view.checks[item::kAdvancedMode]);
    EXPECT_FALSE(s.view.checks[item::kQuickMode]);
    EXPECT_FALSE(s.view.checks[item::kRawMode]);
}

TEST(Wizard, StandardPartitionStepShowsPartitionOneAndStartsTheScan) {
    WizardSession s;
    s.view.texts[item::kFolderField] = "";
    s.toPartitionStep(app::kSearchStandard);
    EXPECT_EQ(s.ctx->wizardStage, 1);
    EXPECT_EQ(s.tableReads, 1);
    EXPECT_FALSE(s.ctx->workFolder.empty()); // the temporary folder
    EXPECT_EQ(s.view.texts[item::kFolderField], s.ctx->workFolder);
    EXPECT_EQ(s.view.texts[item::kModeCaption], "Standard Search ");
    EXPECT_EQ(s.view.texts[item::kStartSector], "63");
    EXPECT_EQ(s.view.texts[item::kEndSector], "131072");
    EXPECT_EQ(s.view.entries[item::kPartitionType], 1);
    EXPECT_FALSE(s.view.isEnabled(item::kPartitionType));
    EXPECT_EQ(s.view.lists[item::kSummaryList],
              (std::vector<std::string>{"Disk Number :0", "Partition Number : 1",
                                        "Partition Type : FAT32", "Search Mode : Standard",
                                        "Start Sector : 63", "End Sector : 131072"}));
    EXPECT_EQ(s.view.texts[item::kStatusLine], app::wizard_text::kPartitionStep);

    s.wizard->clickPartition(s.ctx->firstPartitionItem);
    EXPECT_EQ(s.view.texts[item::kModeCaption], "Standard Search");
    s.wizard->next();
    EXPECT_EQ(s.scansStarted, 1);
    EXPECT_EQ(s.ctx->volumeParams.fileSystemName, "FAT32");
    EXPECT_EQ(s.ctx->volumeParams.partitionStart, 63u);
    EXPECT_EQ(s.ctx->volumeParams.partitionEnd, 131071u);
    EXPECT_EQ(s.ctx->wizardStage, 3);
    EXPECT_EQ(s.ctx->searchModeText, "Standard Search");
    EXPECT_TRUE(s.view.shown[item::kSearchView]);
    EXPECT_EQ(s.view.texts[item::kSearchRange], "63 To 131071");
    EXPECT_EQ(s.view.lists[item::kSummaryList][1], "Partiton Number : 1");
}

// A disk whose table lists nothing: the step says so and what the user can do, in the
// status line and a message, instead of staying silently empty.
TEST(Wizard, EmptyPartitionStepSaysWhyAndWhatToDo) {
    WizardSession s;
    s.partitionsOnDisk = 0;
    s.toPartitionStep(app::kSearchStandard);
    EXPECT_EQ(s.ctx->wizardStage, 1);
    const std::string expected = "No partition was found on Disk0: its partition table is "
                                 "empty or damaged. Use Search More Partitions, or search the "
                                 "whole disk in Advanced mode.";
    EXPECT_EQ(s.view.texts[item::kStatusLine], expected);
    EXPECT_EQ(s.messages.texts(), std::vector<std::string>{expected});

    WizardSession listed;
    listed.toPartitionStep(app::kSearchStandard);
    EXPECT_TRUE(listed.messages.texts().empty());
}

TEST(Wizard, RangeChecksOnNextKeepThePartitionStep) {
    WizardSession s;
    s.toPartitionStep(app::kSearchAdvanced);
    auto next = [&](int type, const std::string& start, const std::string& end) {
        s.view.entries[item::kPartitionType] = type;
        s.view.texts[item::kStartSector] = start;
        s.view.texts[item::kEndSector] = end;
        s.wizard->next();
    };
    next(3, "100", "102");
    next(1, "", "junk"); // the start field is looked at first
    next(1, "100", "101");
    next(1, "100", "12a");
    next(1, "-5", "100"); // a negative sector would wrap to the end of the disk
    EXPECT_EQ(s.messages.texts(), (std::vector<std::string>{
                                      "Select partition type", "Start sector is not valid",
                                      "End sector should be bigger than start sector",
                                      "Ending sector is not valid", "Start sector is not valid"}));
    EXPECT_EQ(s.ctx->wizardStage, 1);
    EXPECT_EQ(s.scansStarted, 0);
    EXPECT_EQ(s.view.texts[item::kStatusLine], app::wizard_text::kSearching);

    next(1, " 100 ", "102");
    EXPECT_EQ(s.scansStarted, 1);
    EXPECT_EQ(s.ctx->volumeParams.partitionEnd, 101u);
    EXPECT_EQ(s.ctx->wizardStage, 2); // Advanced mode goes to the file-systems step
}

// exFAT has its own selector entry after the blank one; the Standard search validates
// it first and goes straight to the tree, the Advanced one sweeps the range and goes to
// the file-systems step.
TEST(Wizard, ExfatIsChosenFromTheSelectorInBothModes) {
    WizardSession standard;
    standard.partitionType = "exFAT";
    standard.toPartitionStep(app::kSearchStandard);
    EXPECT_EQ(standard.view.entries[item::kPartitionType], 4);
    standard.wizard->clickPartition(standard.ctx->firstPartitionItem);
    EXPECT_EQ(standard.view.entries[item::kPartitionType], 4);
    standard.wizard->next();
    EXPECT_TRUE(standard.messages.texts().empty());
    EXPECT_EQ(standard.ctx->volumeParams.fileSystemName, "exFAT");
    EXPECT_EQ(standard.validations, 1);
    EXPECT_EQ(standard.scansStarted, 1);
    EXPECT_EQ(standard.ctx->wizardStage, 3);

    WizardSession advanced;
    advanced.toPartitionStep(app::kSearchAdvanced);
    advanced.view.entries[item::kPartitionType] = 4;
    advanced.view.texts[item::kStartSector] = "2048";
    advanced.view.texts[item::kEndSector] = "133120";
    advanced.wizard->next();
    EXPECT_TRUE(advanced.messages.texts().empty());
    EXPECT_EQ(advanced.ctx->volumeParams.fileSystemName, "exFAT");
    EXPECT_EQ(advanced.ctx->volumeParams.partitionStart, 2048u);
    EXPECT_EQ(advanced.ctx->volumeParams.partitionEnd, 133119u);
    EXPECT_EQ(advanced.validations, 0);
    EXPECT_EQ(advanced.scansStarted, 1);
    EXPECT_EQ(advanced.ctx->wizardStage, 2); // the file-systems step
    EXPECT_EQ(advanced.view.texts[item::kSearchFileSystem], "exFAT");

    // Past the last entry is no type.
    WizardSession beyond;
    beyond.toPartitionStep(app::kSearchAdvanced);
    beyond.view.entries[item::kPartitionType] = 5;
    beyond.view.texts[item::kStartSector] = "100";
    beyond.view.texts[item::kEndSector] = "200";
    beyond.wizard->next();
    EXPECT_EQ(beyond.messages.texts(), std::vector<std::string>{"Select partition type"});
    EXPECT_EQ(beyond.scansStarted, 0);
}

TEST(Wizard, BackToTheDiskStepResetsTheRun) {
    WizardSession s;
    s.toPartitionStep(app::kSearchStandard);
    s.ctx->readFailureNotices = 0;
    s.wizard->back();
    EXPECT_EQ(s.ctx->wizardStage, 0);
    EXPECT_EQ(s.ctx->readFailureNotices, 1u);
    EXPECT_EQ(s.ctx->searchMode, app::kNoSearchMode);
    EXPECT_TRUE(s.view.shown[item::kDiskTree]);
    EXPECT_FALSE(s.view.isEnabled(item::kNext));
    EXPECT_EQ(s.view.texts[item::kStatusLine], app::wizard_text::kDiskStep);
    // Another disk reads its own partition table.
    s.toPartitionStep(app::kSearchStandard);
    EXPECT_EQ(s.tableReads, 2);
}

TEST(Wizard, BackFromTheBrowseStepReturnsToThePartitionStep) {
    WizardSession s;
    s.toPartitionStep(app::kSearchStandard);
    s.wizard->clickPartition(s.ctx->firstPartitionItem);
    s.wizard->next();
    ASSERT_EQ(s.ctx->wizardStage, 3);
    s.ctx->recoveryTree.insert(model::kNoItem, "Root", 2, 2);
    s.wizard->back();
    EXPECT_EQ(s.ctx->wizardStage, 1);
    EXPECT_EQ(s.ctx->recoveryTree.size(), 0u);
    EXPECT_EQ(s.view.columns[item::kFileList], " Disk Details");
    EXPECT_FALSE(s.view.isEnabled(item::kMenuSave));
    EXPECT_TRUE(s.view.isEnabled(item::kMenuLoadLog));
    EXPECT_EQ(s.tableReads, 1); // the partition tree is kept
}

// Back from the browse step keeps the partition that was searched: highlighted, in the
// sector fields the next search reads, and "Search More Partitions" is offered again.
TEST(Wizard, BackThenNextSearchesTheHighlightedPartition) {
    WizardSession s;
    s.toPartitionStep(app::kSearchStandard);
    auto& record = s.ctx->partitions[0];
    record.count = 2;
    record.fileSystemNames[1] = "FAT16";
    const model::TreeItem second = s.ctx->partitionTree.insert(s.ctx->partitionTree.firstTopLevel(),
                                                               "Partition - 2 ( FAT16 )", 1, 1);
    record.slots[2] = {second, 200000, 300000};
    s.wizard->clickPartition(second);
    s.wizard->next();
    ASSERT_EQ(s.ctx->wizardStage, 3);
    s.wizard->back();
    ASSERT_EQ(s.ctx->wizardStage, 1);
    EXPECT_EQ(s.ctx->partitionTree.selected(), second);
    EXPECT_EQ(s.view.texts[item::kStartSector], "200000");
    EXPECT_EQ(s.view.texts[item::kEndSector], "300000");
    EXPECT_TRUE(s.view.shown[item::kSearchPartition]);
    EXPECT_TRUE(s.view.isEnabled(item::kSearchPartition));
    s.wizard->next();
    EXPECT_EQ(s.ctx->wizardStage, 3);
    EXPECT_EQ(s.scansStarted, 2);
    EXPECT_EQ(s.view.texts[item::kStartSector], "200000");
}

// The current folder names the folder whose rows a list save writes under; once Back
// has destroyed the tree it belonged to, it must not name a folder of the next tree.
TEST(Wizard, BackFromTheBrowseStepForgetsTheCurrentFolderOfTheOldTree) {
    WizardSession s;
    s.toPartitionStep(app::kSearchStandard);
    s.wizard->clickPartition(s.ctx->firstPartitionItem);
    s.wizard->next();
    ASSERT_EQ(s.ctx->wizardStage, 3);
    auto& tree = s.ctx->recoveryTree;
    auto oldRoot = tree.insert(model::kNoItem, "Root", 2, 2);
    s.ctx->currentFolderItem = tree.insert(oldRoot, "Photos", 3, 3);
    s.ctx->lastClickedFolderItem = s.ctx->currentFolderItem;
    s.wizard->back();
    ASSERT_EQ(s.ctx->wizardStage, 1);

    s.wizard->next(); // a new search builds a new tree
    auto newRoot = tree.insert(model::kNoItem, "Root", 2, 2);
    tree.insert(newRoot, "Letters", 3, 3);
    EXPECT_EQ(model::FolderPath(tree, s.ctx->currentFolderItem), "");
    EXPECT_FALSE(tree.valid(s.ctx->lastClickedFolderItem));
}

TEST(Wizard, RawRangeChoices) {
    WizardSession s;
    platform::SetRegistryString(s.registry, platform::RegistryRoot::ClassesRoot,
                                "Quarrixdale Removal Media\\Size", "Disk0", "100663296");
    s.toPartitionStep(app::kSearchRaw);
    EXPECT_EQ(s.tableReads, 0); // no partition tree in Raw mode
    EXPECT_FALSE(s.view.isEnabled(item::kNext));
    EXPECT_TRUE(s.view.shown[item::kFileTypeList]);
    s.wizard->setRawRange(false);
    EXPECT_EQ(s.view.texts[item::kRawStart], "0");
    EXPECT_EQ(s.view.texts[item::kRawEnd], "196608");
    EXPECT_TRUE(s.ctx->rawRangeChosen);
    // A 3 TiB disk's end sector does not fit a signed 32-bit number.
    platform::SetRegistryString(s.registry, platform::RegistryRoot::ClassesRoot,
                                "Quarrixdale Removal Media\\Size", "Disk0", "3298534883328");
    s.wizard->setRawRange(false);
    EXPECT_EQ(s.view.texts[item::kRawEnd], "6442450944");
    s.wizard->setRawRange(true);
    EXPECT_TRUE(s.ctx->rawWholeDisk);
    EXPECT_FALSE(s.ctx->rawRangeChosen);
    EXPECT_EQ(s.view.texts[item::kRawEnd], "");
    s.wizard->next(); // raw mode searches from its own button
    EXPECT_EQ(s.scansStarted, 0);
}

// A worker that runs until it is asked to stop, as a partition search would.
void startEndlessSearch(app::RecoveryContext& ctx) {
    ctx.partitionSearchRunning = true;
    ctx.partitionSearchThread = std::jthread([&ctx](std::stop_token stop) {
        while (!stop.stop_requested())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ctx.partitionSearchRunning = false;
    });
}

TEST(Wizard, CloseDuringASearchAsksAndStopsTheWorkerOnYes) {
    WizardSession s({MessageAnswer::No, MessageAnswer::Yes});
    startEndlessSearch(*s.ctx);
    EXPECT_FALSE(s.wizard->closeSequence());
    EXPECT_TRUE(s.ctx->partitionSearchRunning);
    EXPECT_FALSE(s.view.closed);
    EXPECT_TRUE(s.wizard->closeSequence());
    EXPECT_FALSE(s.ctx->partitionSearchRunning);
    EXPECT_FALSE(s.ctx->partitionSearchThread.joinable());
    EXPECT_TRUE(s.view.closed);
    EXPECT_EQ(s.messages.texts(),
              (std::vector<std::string>{"Do you want terminate current process?",
                                        "Do you want terminate current process?"}));
    EXPECT_EQ(s.shell.opened, std::vector<std::string>{app::kMakerWebSite});
}

// While the user is asked whether to stop, the search reads nothing; it goes on after No.
TEST(Wizard, TheStopQuestionHoldsTheSearchUntilAnswered) {
    WizardSession s({MessageAnswer::No, MessageAnswer::Yes});
    test::MemoryMedium medium;
    medium.bytes.assign(64 * 512, 0);
    auto opener = std::make_shared<test::MemoryOpener>();
    opener->add("card", medium);
    s.ctx->reader = app::MakeSectorReader(*s.ctx, opener);
    s.ctx->reader->paths().setName(0, "card");
    std::atomic<int> reads{0};
    s.ctx->partitionSearchRunning = true;
    s.ctx->partitionSearchThread = std::jthread([&](std::stop_token stop) {
        unsigned char sector[512];
        while (!stop.stop_requested()) {
            s.ctx->reader->readSectors(reads % 64, 1, sector);
            ++reads;
        }
        s.ctx->partitionSearchRunning = false;
    });
    std::vector<int> duringQuestions;
    s.messages.whileAsking = [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // a read under way ends
        const int before = reads;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        duringQuestions.push_back(reads - before);
        // The asking thread itself may still read (a window repainting from the medium).
        unsigned char sector[512];
        EXPECT_EQ(s.ctx->reader->readSectors(0, 1, sector), disk::ReadStatus::Complete);
    };
    while (reads < 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_FALSE(s.wizard->closeSequence());
    const int afterNo = reads;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_GT(reads, afterNo) << "No lets the search go on";
    EXPECT_TRUE(s.wizard->closeSequence());
    EXPECT_FALSE(s.ctx->partitionSearchRunning);
    EXPECT_EQ(duringQuestions, (std::vector<int>{0, 0}));
}

TEST(Wizard, CloseAfterASearchOffersToSaveTheRecoveryFirst) {
    WizardSession s({MessageAnswer::No, MessageAnswer::No});
    s.ctx->wizardStage = 3;
    EXPECT_FALSE(s.wizard->closeSequence());
    EXPECT_EQ(
        s.messages.texts(),
        (std::vector<std::string>{"Do you want to save the recovery?",
                                  "Do you want to exit from Quarrixdale Recovery-Memory Card?"}));
    EXPECT_FALSE(s.view.closed);
}

TEST(Startup, WithoutInstallationPathTheProgramEndsBeforeAnyDiskIsListed) {
    WizardSession s;
    bool listed = false;
    auto result =
        app::InitialiseMainWindow(*s.ctx, s.view, [&](app::RecoveryContext&) { listed = true; });
    EXPECT_EQ(result, app::StartupResult::NotInstalled);
    EXPECT_FALSE(listed);
    EXPECT_EQ(
        s.messages.texts(),
        std::vector<std::string>{"Quarrixdale Recovery-Memory Card is not installed properly"});
}

TEST(Startup, NoDiskAnsweredAsksForMedia) {
    WizardSession s;
    platform::SetRegistryString(s.registry, platform::RegistryRoot::ClassesRoot, app::kInstallKey,
                                app::kInstallValue, "/opt/quarrixdale");
    auto result = app::InitialiseMainWindow(
        *s.ctx, s.view, [](app::RecoveryContext& c) { c.emptyDiskSlotSeen = true; });
    EXPECT_EQ(result, app::StartupResult::NoMedia);
    EXPECT_EQ(s.ctx->installationPath, "/opt/quarrixdale");
    EXPECT_EQ(s.view.texts[item::kStatusLine], app::wizard_text::kDiskStep);
    EXPECT_FALSE(s.view.isEnabled(item::kMenuSave));
    EXPECT_FALSE(s.view.isEnabled(item::kQuickMode));
}

TEST(Startup, AboutTextJoinsOwnerAndOrganisation) {
    WizardSession s;
    EXPECT_EQ(app::RegisteredOwnerText(*s.ctx), "\r\n");
    platform::SetRegistryString(s.registry, platform::RegistryRoot::LocalMachine,
                                "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                "RegisteredOwner", "Jane");
    EXPECT_EQ(app::RegisteredOwnerText(*s.ctx), "Jane\r\n");
}

} // namespace
} // namespace qr::test

namespace qr::test {
namespace {

// Advanced mode: Next on the partition step leads to the file-systems step; a click on
// a file system lists its details and picks it; Next builds its tree; Back returns to
// the file systems with the first one listed.
TEST(Wizard, AdvancedFileSystemsStepPicksAndOpensAFileSystem) {
    WizardSession s;
    int workers = 0;
    s.toPartitionStep(app::kSearchAdvanced);
    ASSERT_EQ(s.ctx->wizardStage, 1);
    s.view.entries[item::kPartitionType] = 1;
    s.view.texts[item::kStartSector] = "0";
    s.view.texts[item::kEndSector] = "131072";
    s.wizard->next();
    EXPECT_EQ(s.ctx->wizardStage, 2);
    EXPECT_EQ(s.scansStarted, 1);
    EXPECT_EQ(s.ctx->volumeParams.fileSystemName, "FAT32");

    // What the scan driver leaves: two file systems listed under "File Systems".
    model::RecordTable& fs = s.ctx->tables.fileSystemTable;
    for (const char* start : {"8160", "200000"}) {
        const int row = fs.appendRow("0");
        fs.setCell(row, model::boot_col::Spc, "8");
        fs.setCell(row, model::boot_col::Cluster0Start, start);
        fs.setCell(row, model::boot_col::PartType, "FAT32");
    }
    model::TreeModel& tree = s.ctx->fileSystemTree;
    const auto root = tree.firstTopLevel();
    tree.setData(tree.insert(root, "File System 1 - FAT32", 0, 0), 0);
    const auto second = tree.insert(root, "File System 2 - FAT32", 0, 0);
    tree.setData(second, 1);

    s.wizard->clickFileSystem(root); // the root lists nothing
    s.wizard->clickFileSystem(second);
    EXPECT_EQ(s.ctx->pickedFileSystem, 1);
    EXPECT_EQ(s.view.lists[item::kFileList],
              (std::vector<std::string>{"File System - 2", "Partition Type : FAT32",
                                        "File System Start : 200000", "Sectors Per Clusters : 8"}));

    s.ctx->wizardStage = 2;
    app::WizardEngines engines;
    engines.startFileSystemWorker = [&](app::RecoveryContext& c) {
        ++workers;
        c.wizardStage = 3;
    };
    engines.addLostFolderRow = [](app::RecoveryContext& c) {
        c.tables.folderTable.insertRow(0, "Lost");
    };
    app::Wizard advanced(*s.ctx, s.view, engines);
    advanced.next();
    EXPECT_EQ(workers, 1);
    EXPECT_EQ(s.ctx->tables.folderTable.cell(0, 0), "Lost");
    EXPECT_TRUE(s.view.isEnabled(item::kSaveButton));

    advanced.back();
    EXPECT_EQ(s.ctx->wizardStage, 2);
    EXPECT_EQ(s.ctx->pickedFileSystem, 0);
    EXPECT_EQ(s.view.lists[item::kFileList].front(), "File System - 1");
}

} // namespace
} // namespace qr::test
