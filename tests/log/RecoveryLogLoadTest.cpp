// Loading a log: a FAT search saved and loaded in a fresh run on the same image gives
// the same tree, lists and saved files without a single read of the medium during the
// load; NTFS file rows and folders come back from the records; a wrong disk, a damaged
// file, a missing file or a cancelled dialog put the partition step back and leave the
// tables and the search mode as they were.
#include "LogBytes.h"
#include "app/FolderCommands.h"
#include "app/ReadFailureNotice.h"
#include "app/RecoveryContext.h"
#include "app/RecoveryLogCommands.h"
#include "app/SaveCommands.h"
#include "disk/SectorReader.h"
#include "model/FileList.h"
#include "model/RecoveryTree.h"
#include "model/TreeChecks.h"
#include "output/RecoveryLogFormat.h"
#include "output/RecoveryLogState.h"
#include "output/SavePasses.h"
#include "support/FatImages.h"
#include "support/RecordingWindow.h"
#include "support/SaveFixtures.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <atomic>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

namespace qr::app {
namespace {

namespace fs = std::filesystem;
using model::folder_col::Deleted;
using model::folder_col::Name;
using model::folder_col::Parent;
using model::folder_col::Self;
using model::folder_col::Type;

// Opens images read-only and counts every read made through it.
class CountingOpener final : public disk::DeviceOpener {
public:
    std::unique_ptr<disk::DeviceFile> open(const std::string& name) override {
        auto file = inner_.open(name);
        return file ? std::make_unique<File>(std::move(file), reads) : nullptr;
    }
    std::atomic<int> reads{0};

private:
    class File final : public disk::DeviceFile {
    public:
        File(std::unique_ptr<disk::DeviceFile> inner, std::atomic<int>& reads)
            : inner_(std::move(inner)), reads_(reads) {}
        std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t length) override {
            ++reads_;
            return inner_->readAt(offset, buffer, length);
        }
        std::uint64_t size() const override { return inner_->size(); }

    private:
        std::unique_ptr<disk::DeviceFile> inner_;
        std::atomic<int>& reads_;
    };
    disk::PosixDeviceOpener inner_;
};

// One run of the program: a context with a recording window and scripted messages.
struct Session {
    Session() {
        Services services;
        services.window = &window;
        services.messages = &messages;
        ctx = std::make_unique<RecoveryContext>(services);
        opener = std::make_shared<CountingOpener>();
        ctx->reader = app::MakeSectorReader(*ctx, opener);
        ctx->diskModel = "Card Model 1";
    }
    LogLoadOutcome load(std::vector<std::string> names) {
        RecoveryLogDialogs dialogs;
        dialogs.chooseLoadPaths = [names] { return names; };
        dialogs.showWaitPopup = [this] { ++waitShown; };
        dialogs.closeWaitPopup = [this] { --waitShown; };
        BeginRecoveryLogLoad(*ctx);
        return LoadRecoveryLog(*ctx, dialogs);
    }
    // Every folder of the tree by path, with its file list rows.
    std::map<std::string, std::vector<std::vector<std::string>>> listing() {
        std::map<std::string, std::vector<std::vector<std::string>>> out;
        collect(ctx->recoveryTree.firstTopLevel(), "", out);
        return out;
    }
    void collect(model::TreeItem item, const std::string& path,
                 std::map<std::string, std::vector<std::vector<std::string>>>& out) {
        app::ListFolder(*ctx, item, model::kMouseFolderLabels);
        for (const model::FileListRow& row : ctx->fileList.rows()) {
            std::vector<std::string> cells(row.cells.begin(), row.cells.end());
            cells.pop_back(); // the tree item of a folder row differs from run to run
            out[path].push_back(cells);
        }
        for (model::TreeItem child : ctx->recoveryTree.children(item))
            collect(child, path + "/" + ctx->recoveryTree.text(child), out);
    }
    std::map<std::string, std::string> saveAll(const fs::path& to) {
        const model::TreeItem root = ctx->recoveryTree.firstTopLevel();
        if (ctx->recoveryTree.check(root) != model::CheckState::Checked)
            model::ToggleCheck(ctx->recoveryTree, root);
        ctx->save.destinationFolder = to.string();
        ctx->save.saveSource = output::kSaveSourceTree;
        app::CountSaveSelection(*ctx);
        app::WriteSavePlan(*ctx);
        std::map<std::string, std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(to))
            if (e.is_regular_file())
                files[fs::relative(e.path(), to).string()] = test::ReadWholeFile(e.path());
        return files;
    }

    test::RecordingWindowItems window;
    test::ScriptedMessages messages;
    std::shared_ptr<CountingOpener> opener;
    std::unique_ptr<RecoveryContext> ctx;
    int waitShown = 0;
};

std::vector<
    std::tuple<std::string, std::uint32_t, std::uint32_t, std::uint64_t, std::uint64_t, bool>>
nodesOf(const RecoveryContext& ctx) {
    std::vector<
        std::tuple<std::string, std::uint32_t, std::uint32_t, std::uint64_t, std::uint64_t, bool>>
        out;
    for (const model::FolderNode& n : ctx.folderNodes)
        out.emplace_back(n.name, n.selfKey, n.parentKey, n.date, n.time, n.deleted);
    return out;
}

void writeLog(const fs::path& path, const output::RecoveryLogSnapshot& log) {
    const auto bytes = output::EncodeRecoveryLog(log);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

class FatLogRoundTrip : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        if (!test::haveFatTools())
            GTEST_SKIP() << "mkfs.fat, sfdisk or mtools missing";
        test::FatImageOptions o;
        o.fatBits = GetParam();
        o.sizeMiB = GetParam() == 32 ? 40 : 16;
        o.sectorsPerCluster = GetParam() == 32 ? 1 : 4;
        o.partitioned = true;
        image = std::make_unique<test::FatImage>(dir / "card.img", o);
        image->writeFile("::/TOP.TXT", test::PatternBytes(700, 1));
        image->mkdir("::/Holiday pictures 2024");
        image->writeFile("::/Holiday pictures 2024/Beach.jpg", test::PatternBytes(9000, 2));
        image->mkdir("::/Holiday pictures 2024/Évora");
        image->writeFile("::/Holiday pictures 2024/Évora/x.doc", test::PatternBytes(3000, 3));
        image->mkdir("::/OLD");
        image->writeFile("::/OLD/GONE.TXT", test::PatternBytes(1200, 4));
        image->mkdir("::/P");
        image->mkdir("::/P/Q");
        image->writeFile("::/P/Q/ORPH.TXT", test::PatternBytes(100, 6));
        image->overwriteCluster(image->firstCluster("::/P"), 0);
        image->markDeleted("OLD        ");
    }
    test::TempDir dir;
    std::unique_ptr<test::FatImage> image;
};

TEST_P(FatLogRoundTrip, ALoadedLogShowsAndSavesWhatTheSearchDidWithoutReadingTheMedium) {
    Session searched;
    test::SearchFatImage(*searched.ctx, *image);
    searched.ctx->searchPartitionIndex = 0;
    const fs::path log = dir / "card.DMS";
    ASSERT_EQ(WriteRecoveryLog(*searched.ctx, log.string()), output::LogWriteResult::Written);
    ASSERT_GE(searched.ctx->folderNodes.size(), 5u);
    // The fixed part as the field table lays it out, from the values of this search.
    const std::string fs = image->fileSystemName();
    test::LogBytes head;
    head.text("Quarrixdale Recovery-Memory Card").u32(12).text("Card Model 1");
    head.u8(1).u8(0).u8(0).u8(0).u8(5).text(fs).u8(0);
    head.u64(image->volumeStart()).u64(image->volumeStart() + image->volumeSectors() - 1);
    const std::string written = test::ReadWholeFile(log);
    ASSERT_GT(written.size(), head.bytes.size());
    EXPECT_EQ(written.substr(0, head.bytes.size()),
              std::string(head.bytes.begin(), head.bytes.end()));

    Session loaded;
    image->selectIn(*loaded.ctx);
    loaded.ctx->volumeParams = {};
    loaded.ctx->searchMode = kSearchStandard;
    loaded.ctx->wizardStage = 1;
    loaded.opener->reads = 0;
    ASSERT_EQ(loaded.load({log.string()}), LogLoadOutcome::Loaded);
    EXPECT_EQ(loaded.opener->reads, 0) << "the load read the medium";

    EXPECT_EQ(nodesOf(*loaded.ctx), nodesOf(*searched.ctx));
    EXPECT_EQ(loaded.ctx->activeGeometry.fileSystemName, image->fileSystemName());
    EXPECT_EQ(loaded.ctx->activeGeometry.cluster0Start, searched.ctx->activeGeometry.cluster0Start);
    EXPECT_EQ(loaded.ctx->volumeParams.partitionEnd, searched.ctx->volumeParams.partitionEnd);
    EXPECT_EQ(loaded.ctx->tables.folderTable.rowCount(), 0);
    for (const model::FolderNode& n : loaded.ctx->folderNodes)
        EXPECT_TRUE(n.childrenNamed);

    // The window is on the results step, as after a search.
    EXPECT_EQ(loaded.ctx->wizardStage, 3);
    EXPECT_EQ(loaded.ctx->searchMode, kSearchStandard);
    EXPECT_EQ(loaded.window.text(item::kStatusLine), kLoadedInstructions);
    EXPECT_TRUE(loaded.window.sawText(item::kStatusLine, kPleaseWait));
    EXPECT_EQ(loaded.window.enabled(item::kRecoveryTree), true);
    EXPECT_EQ(loaded.window.enabled(item::kSaveButton), true);
    EXPECT_EQ(loaded.window.enabled(item::kSaveLogButton), true);
    EXPECT_EQ(loaded.window.enabled(item::kLoadLogButton), false);
    EXPECT_EQ(loaded.window.enabled(item::kMenuLoadLog), false);
    EXPECT_EQ(loaded.window.enabled(item::kNext), false);
    EXPECT_EQ(loaded.window.visible(item::kPartitionTree), false);
    EXPECT_EQ(loaded.waitShown, 0);

    // Browsing and saving read the folders from the medium as after the search.
    const auto listing = loaded.listing();
    EXPECT_EQ(listing, searched.listing());
    EXPECT_TRUE(listing.count("/Holiday pictures 2024/Évora")) << listing.size();
    EXPECT_GT(loaded.opener->reads, 0);
    const auto files = loaded.saveAll(dir / "from-log");
    EXPECT_EQ(files, searched.saveAll(dir / "from-search"));
    std::string names;
    for (const auto& [name, content] : files)
        names += name + "; ";
    ASSERT_TRUE(files.count("Holiday pictures 2024/Évora/X.DOC")) << names;
    EXPECT_EQ(files.at("Holiday pictures 2024/Évora/X.DOC"), test::PatternBytes(3000, 3));
    EXPECT_EQ(files.size(), 5u) << names;
}

INSTANTIATE_TEST_SUITE_P(Fat, FatLogRoundTrip, ::testing::Values(16, 32),
                         [](const auto& info) { return "FAT" + std::to_string(info.param); });

// A log with folders and files of an NTFS search, Advance mode, partition index 2.
output::RecoveryLogSnapshot ntfsLog() {
    output::RecoveryLogSnapshot s;
    s.diskModel = "Card Model 1";
    s.searchMode = 2;
    s.partitionIndex = 2;
    s.partitionType = "NTFS";
    s.modeCaption = "Advance Mode";
    s.partitionStart = 2048;
    s.partitionEnd = 1000000;
    s.validated.sectorsPerCluster = 8;
    s.working.sectorsPerCluster = 8;
    s.working.cluster0Start = 2048;
    s.working.mftStart = 6;
    s.working.mftRecordSectors = 2;
    s.fileSystemName = "NTFS";
    s.folders = {{"Users", 40, 5, 132000000000000000ull, 0, false},
                 {"Lost", 268435455, 5, 0, 0, false},
                 {"Docs", 41, 40, 1, 0, true},
                 {"Orphan", 77, 268435455, 2, 0, false}};
    s.files = {{"a.txt", 600, 50, 41, 132000000000000001ll, 12, 0},
               {"big.bin", 4294967295u, 51, 40, -1, 4294967295u, 1},
               {"top.txt", 602, 52, 5, 3, 1, 0}};
    return s;
}

TEST(NtfsLog, FilesAndFoldersComeBackFromTheRecords) {
    test::TempDir dir;
    writeLog(dir / "n.dms", ntfsLog());
    Session run;
    run.ctx->searchMode = kSearchStandard;
    run.ctx->searchPartitionIndex = 0x100;
    run.ctx->tables.fileTable.appendRow("stale row");
    ASSERT_EQ(run.load({(dir / "n.dms").string()}), LogLoadOutcome::Loaded);
    EXPECT_EQ(run.opener->reads, 0);
    EXPECT_EQ(run.ctx->searchMode, kSearchStandard); // the stored Advance mode has no effect
    EXPECT_EQ(run.ctx->searchModeText, "Advance Mode");
    EXPECT_EQ(run.ctx->searchPartitionIndex, 0x102);
    EXPECT_EQ(run.ctx->activeGeometry.fileSystemName, "NTFS");
    EXPECT_EQ(run.ctx->activeGeometry.mftStart, 6u);

    const model::RecordTable& files = run.ctx->tables.fileTable;
    ASSERT_EQ(files.rowCount(), 3);
    EXPECT_EQ(files.cell(1, Name), "big.bin");
    EXPECT_EQ(files.cell(1, model::folder_col::Sector), "4294967295");
    EXPECT_EQ(files.cell(1, model::folder_col::Size), "4294967295");
    EXPECT_EQ(files.cell(1, model::folder_col::Date), "-1");
    EXPECT_EQ(files.cell(1, Deleted), "1");
    EXPECT_EQ(files.cell(0, Deleted), "0");
    EXPECT_EQ(files.cell(0, Type), "FILE");
    EXPECT_EQ(files.cell(0, Parent), "41");

    // Root: Users and Lost; Docs under Users (deleted); Orphan under Lost.
    const model::TreeModel& tree = run.ctx->recoveryTree;
    const model::TreeItem root = tree.firstTopLevel();
    ASSERT_EQ(tree.children(root).size(), 2u);
    const model::TreeItem users = tree.children(root)[0];
    EXPECT_EQ(tree.text(users), "Users");
    EXPECT_EQ(tree.text(tree.children(root)[1]), "Lost");
    ASSERT_EQ(tree.children(users).size(), 1u);
    EXPECT_EQ(tree.text(tree.children(users)[0]), "Docs");
    EXPECT_EQ(tree.text(tree.children(tree.children(root)[1])[0]), "Orphan");
    EXPECT_TRUE(run.ctx->folderNodes[2].deleted);

    // Saved again, the log is the one loaded (the mode now Standard, the disk numbers
    // those of this run).
    output::RecoveryLogSnapshot expected = ntfsLog();
    expected.searchMode = 1;
    EXPECT_EQ(TakeRecoveryLogSnapshot(*run.ctx), expected);
}

TEST(NtfsLog, TheLargestUnsignedCellTravelsAsFourBytesOfOnes) {
    model::RecordTables tables;
    tables.fileTable.appendRow("f");
    tables.fileTable.setCell(0, Self, "4294967295");
    fat::ActiveGeometry working;
    working.fileSystemName = "NTFS";
    const auto log = output::TakeLogSnapshot({}, {}, working, {}, tables.fileTable);
    ASSERT_EQ(log.files.size(), 1u);
    EXPECT_EQ(log.files[0].self, 0xFFFFFFFFu);
    const auto back = output::ParseRecoveryLog(output::EncodeRecoveryLog(log));
    ASSERT_TRUE(back.snapshot);
    output::FillTablesFromLog(*back.snapshot, tables.folderTable, tables.fileTable);
    EXPECT_EQ(tables.fileTable.cell(0, Self), "4294967295");
}

TEST(LoadLog, FoldersThatRepeatKeysAreShownOnceEach) {
    // Every folder names folder 1 as itself and as its parent: through the table each
    // would be inserted below every other one on its path (14! folders).
    test::TempDir dir;
    output::RecoveryLogSnapshot log = ntfsLog();
    log.fileSystemName = "FAT32";
    log.files.clear();
    log.folders = {{"A", 1, 0, 0, 0, false}, {"B", 1, 0, 0, 0, false}};
    for (int i = 0; i < 14; ++i)
        log.folders.push_back({"D" + std::to_string(i), 1, 1, 0, 0, false});
    writeLog(dir / "loop.dms", log);
    Session run;
    ASSERT_EQ(run.load({(dir / "loop.dms").string()}), LogLoadOutcome::Loaded);
    ASSERT_EQ(run.ctx->folderNodes.size(), log.folders.size());
    const model::TreeModel& tree = run.ctx->recoveryTree;
    EXPECT_EQ(tree.children(tree.firstTopLevel()).size(), 2u);
    // Each folder hangs below an earlier one with its parent key, and a log saved
    // again lists the same folders in the same order.
    EXPECT_EQ(TakeRecoveryLogSnapshot(*run.ctx).folders, log.folders);
    EXPECT_EQ(run.ctx->tables.folderTable.rowCount(), 0);
}

// What must not change when a load is refused.
struct Before {
    explicit Before(Session& run) : run_(run) {
        run.ctx->searchMode = kSearchAdvanced;
        run.ctx->wizardStage = 1;
        run.ctx->tables.folderTable.appendRow("kept folder");
        run.ctx->tables.fileTable.appendRow("kept file");
        run.ctx->volumeParams.fileSystemName = "FAT16";
        run.ctx->activeGeometry.cluster0Start = 99;
    }
    void expectUnchanged() const {
        const RecoveryContext& c = *run_.ctx;
        EXPECT_EQ(c.searchMode, kSearchAdvanced);
        EXPECT_EQ(c.wizardStage, 1);
        EXPECT_EQ(c.tables.folderTable.rowCount(), 1);
        EXPECT_EQ(c.tables.folderTable.cell(0, Name), "kept folder");
        EXPECT_EQ(c.tables.fileTable.cell(0, Name), "kept file");
        EXPECT_EQ(c.volumeParams.fileSystemName, "FAT16");
        EXPECT_EQ(c.activeGeometry.cluster0Start, 99u);
        EXPECT_TRUE(c.folderNodes.empty());
        EXPECT_EQ(run_.window.visible(item::kPartitionTree), true);
        EXPECT_EQ(run_.window.visible(item::kRecoveryTree), false);
        EXPECT_EQ(run_.window.enabled(item::kMenuLoadLog), true);
        EXPECT_EQ(c.recoveryTree.size(), 0u);
    }
    Session& run_;
};

TEST(RefusedLoad, AnotherDisksModelPutsThePartitionStepBack) {
    test::TempDir dir;
    writeLog(dir / "n.dms", ntfsLog());
    Session run;
    run.ctx->diskModel = "Card Model 2";
    Before before(run);
    EXPECT_EQ(run.load({(dir / "n.dms").string()}), LogLoadOutcome::WrongDisk);
    EXPECT_EQ(run.messages.texts(), std::vector<std::string>{kWrongDisk});
    before.expectUnchanged();
    // The model is compared byte for byte.
    run.ctx->diskModel = "card model 1";
    EXPECT_EQ(run.load({(dir / "n.dms").string()}), LogLoadOutcome::WrongDisk);
}

TEST(RefusedLoad, DamagedMissingOrCancelledLeavesEverythingAsBefore) {
    test::TempDir dir;
    auto bytes = output::EncodeRecoveryLog(ntfsLog());
    bytes.resize(bytes.size() - 3);
    std::ofstream(dir / "cut.dms", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    Session run;
    Before before(run);
    EXPECT_EQ(run.load({(dir / "cut.dms").string()}), LogLoadOutcome::ErrorInFile);
    EXPECT_EQ(run.messages.texts(), std::vector<std::string>{kErrorInFile});
    before.expectUnchanged();

    EXPECT_EQ(run.load({(dir / "none.dms").string()}), LogLoadOutcome::CannotOpen);
    EXPECT_TRUE(run.messages.saw(output::kUnableToOpenFile));
    before.expectUnchanged();

    EXPECT_EQ(run.load({dir.path().string()}), LogLoadOutcome::CannotOpen); // a folder
    before.expectUnchanged();

    EXPECT_EQ(run.load({}), LogLoadOutcome::Cancelled);
    before.expectUnchanged();
    EXPECT_EQ(run.messages.count(), 3u);
}

TEST(RefusedLoad, OversizedFilesAndPipesAreNotRead) {
    test::TempDir dir;
    const fs::path huge = dir / "huge.dms";
    std::ofstream(huge).put('Q');
    fs::resize_file(huge, output::kLogFileMax + 1); // sparse: nothing is written
    const fs::path pipe = dir / "pipe.dms";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    Session run;
    Before before(run);
    EXPECT_EQ(run.load({huge.string()}), LogLoadOutcome::ErrorInFile);
    before.expectUnchanged();
    EXPECT_EQ(run.load({pipe.string()}), LogLoadOutcome::CannotOpen); // would block
    before.expectUnchanged();
}

TEST(LoadLog, OnlyTheLastOfSeveralChosenFilesIsLoaded) {
    test::TempDir dir;
    writeLog(dir / "n.dms", ntfsLog());
    Session run;
    EXPECT_EQ(run.load({(dir / "missing.dms").string(), (dir / "n.dms").string()}),
              LogLoadOutcome::Loaded);
    EXPECT_EQ(run.ctx->tables.fileTable.rowCount(), 3);
}

TEST(LoadLog, TheCommandRunsTheLoadOnItsWorkerOnce) {
    test::TempDir dir;
    writeLog(dir / "n.dms", ntfsLog());
    Session run;
    run.ctx->searchMode = kSearchStandard;
    run.ctx->wizardStage = 1;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> dialogs{0};
    RecoveryLogDialogs d;
    d.chooseLoadPaths = [&] {
        ++dialogs;
        released.wait();
        return std::vector<std::string>{(dir / "n.dms").string()};
    };
    LoadLogCommand(*run.ctx, d, LogCommandSource::Menu);
    EXPECT_EQ(run.window.enabled(item::kRecoveryTree), false); // disabled while it loads
    LoadLogCommand(*run.ctx, d, LogCommandSource::Menu);       // a second one does nothing
    release.set_value();
    run.ctx->logLoadThread.join();
    EXPECT_EQ(dialogs, 1);
    EXPECT_FALSE(run.ctx->logLoadRunning);
    EXPECT_EQ(run.ctx->wizardStage, 3);
    EXPECT_EQ(run.ctx->tables.fileTable.rowCount(), 3);
}

} // namespace
} // namespace qr::app
