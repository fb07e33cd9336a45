// Counting and writing passes of a save over a searched mkfs.fat/mtools image: the
// saved tree mirrors the recovery tree, the check boxes, selection modes, filters,
// replace answers and write errors behave as the dialogs promise.
#include "output/SavePasses.h"
#include "app/FolderCommands.h"
#include "app/ReadFailureNotice.h"
#include "app/RecoveryContext.h"
#include "app/SaveCommands.h"
#include "disk/SectorReader.h"
#include "model/FileList.h"
#include "model/RecoveryTree.h"
#include "model/TreeChecks.h"
#include "support/FatImages.h"
#include "support/MemoryDevice.h"
#include "support/SaveFixtures.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>

namespace qr::output {
namespace {

namespace fs = std::filesystem;
using test::PatternBytes;

// Every file below `root`, by its relative path, with its content.
std::map<std::string, std::string> treeOf(const fs::path& root) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            out[fs::relative(e.path(), root).string()] = test::ReadWholeFile(e.path());
    return out;
}

class SavePasses : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::haveFatTools())
            GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
        test::FatImageOptions o;
        o.fatBits = 16;
        o.sectorsPerCluster = 2;
        image = std::make_unique<test::FatImage>(dir / "card.img", o);
        image->writeFile("::/TOP.TXT", top);
        image->mkdir("::/DOCS");
        image->writeFile("::/DOCS/REPORT.DOC", report);
        image->writeFile("::/DOCS/Notes for the meeting.txt", notes);
        image->writeFile("::/DOCS/OLD.DOC", old);
        image->mkdir("::/DOCS/SUB");
        image->writeFile("::/DOCS/SUB/DEEP.XLS", deep);
        image->mkdir("::/P");
        image->mkdir("::/P/Q");
        image->writeFile("::/P/Q/ORPH.TXT", orphan);
        image->del("::/DOCS/OLD.DOC");
        // Overwriting P's directory leaves Q without a parent: it goes under Lost.
        image->overwriteCluster(image->firstCluster("::/P"), 0);
        test::SearchFatImage(ctx, *image);
        ctx.save.destinationFolder = dest.string();
    }
    model::TreeItem root() const { return ctx.recoveryTree.firstTopLevel(); }
    model::TreeItem child(model::TreeItem parent, const std::string& name) const {
        for (auto c : ctx.recoveryTree.children(parent))
            if (ctx.recoveryTree.text(c) == name)
                return c;
        return model::kNoItem;
    }
    void saveTree() {
        if (ctx.recoveryTree.check(root()) != model::CheckState::Checked)
            model::ToggleCheck(ctx.recoveryTree, root());
        ctx.save.saveSource = kSaveSourceTree;
        CountSaveSelection(ctx);
        WriteSavePlan(ctx);
    }

    const std::string top = PatternBytes(700, 1), report = PatternBytes(5000, 2),
                      notes = PatternBytes(1500, 3), old = PatternBytes(3000, 4),
                      deep = PatternBytes(9000, 5), orphan = PatternBytes(100, 6);
    test::TempDir dir;
    fs::path dest = dir / "saved";
    std::unique_ptr<test::FatImage> image;
    app::RecoveryContext ctx;
};

TEST_F(SavePasses, WholeTreeIsSavedInTheRecoveryTreesLayout) {
    saveTree();
    const auto saved = treeOf(dest);
    EXPECT_EQ(saved.at("TOP.TXT"), top);
    EXPECT_EQ(saved.at("DOCS/REPORT.DOC"), report);
    EXPECT_EQ(saved.at("DOCS/Notes for the meeting.txt"), notes);
    EXPECT_EQ(saved.at("DOCS/_LD.DOC"), old); // deleted, clusters not reused
    EXPECT_EQ(saved.at("DOCS/SUB/DEEP.XLS"), deep);
    // The orphan keeps its scan name under Lost.
    const model::TreeItem lost = child(root(), "Lost");
    ASSERT_NE(lost, model::kNoItem);
    ASSERT_EQ(ctx.recoveryTree.children(lost).size(), 1u);
    const std::string orphanFolder = ctx.recoveryTree.text(ctx.recoveryTree.children(lost)[0]);
    EXPECT_EQ(saved.at("Lost/" + orphanFolder + "/ORPH.TXT"), orphan);
    EXPECT_EQ(ctx.save.counters.filesToSave, ctx.save.summary.written);
    EXPECT_EQ(ctx.save.counters.bytesDone, ctx.save.counters.bytesToSave);
    EXPECT_EQ(ctx.save.summary.failed, 0u);
}

TEST_F(SavePasses, DeletedAndExtensionFiltersApplyWhenWriting) {
    ctx.save.settings.deletedFilter = kDeletedOnly;
    saveTree();
    EXPECT_EQ(treeOf(dest).size(), 1u);
    EXPECT_TRUE(fs::exists(dest / "DOCS/_LD.DOC"));
    const std::uint32_t counted = ctx.save.counters.filesToSave;
    EXPECT_GT(counted, 1u); // counting admits deleted and live files alike
    EXPECT_EQ(ctx.save.summary.passedOver, counted - 1);

    fs::remove_all(dest);
    ctx.save.settings.deletedFilter = kExcludeDeleted;
    ctx.save.settings.extensions = {"doc", "XLS"};
    saveTree();
    const auto saved = treeOf(dest);
    EXPECT_EQ(saved.size(), 2u);
    EXPECT_TRUE(saved.count("DOCS/REPORT.DOC"));
    EXPECT_TRUE(saved.count("DOCS/SUB/DEEP.XLS"));
}

TEST_F(SavePasses, ReplaceAnswersAreRememberedWithinOneSaveOnly) {
    saveTree();
    const std::uint32_t files = ctx.save.summary.written;
    std::ofstream(dest / "TOP.TXT", std::ios::trunc) << "changed";

    test::ScriptedReplace keepAll({ReplacePolicy::KeepAll});
    ctx.save.replaceQuestion = &keepAll;
    saveTree();
    EXPECT_EQ(keepAll.asked.size(), 1u);
    EXPECT_EQ(ctx.save.summary.passedOver, files);
    EXPECT_EQ(test::ReadWholeFile(dest / "TOP.TXT"), "changed");

    // A new save asks again: No for the first, then Yes to All.
    test::ScriptedReplace noThenAll({ReplacePolicy::Keep, ReplacePolicy::ReplaceAll});
    ctx.save.replaceQuestion = &noThenAll;
    saveTree();
    EXPECT_EQ(noThenAll.asked.size(), 2u);
    EXPECT_EQ(ctx.save.summary.passedOver, 1u);
    EXPECT_EQ(ctx.save.summary.written, files - 1);
    ctx.save.replaceQuestion = nullptr;
}

TEST_F(SavePasses, UncheckedFolderIsNeitherCountedNorDescended) {
    model::ToggleCheck(ctx.recoveryTree, root());
    const model::TreeItem docs = child(root(), "DOCS");
    model::ToggleCheck(ctx.recoveryTree, docs); // DOCS and SUB unchecked
    ctx.recoveryTree.setCheck(child(docs, "SUB"), model::CheckState::Checked);
    ctx.save.saveSource = kSaveSourceTree;
    CountSaveSelection(ctx);
    for (const SaveItem& item : ctx.save.plan) {
        const std::string folder = model::FolderPath(ctx.recoveryTree, item.folder);
        EXPECT_EQ(folder.rfind("DOCS", 0), std::string::npos) << folder;
    }
    EXPECT_GT(ctx.save.counters.filesToSave, 0u); // TOP.TXT and the orphan
}

// Ticking one folder leaves the root partly checked: its own files (and the volume
// label's entry among them) are not the user's choice and are not saved.
TEST_F(SavePasses, TickedFolderAloneSavesNoFileOfTheRoot) {
    model::ToggleCheck(ctx.recoveryTree, child(root(), "DOCS"));
    ASSERT_EQ(ctx.recoveryTree.check(root()), model::CheckState::Partly);
    ctx.save.saveSource = kSaveSourceTree;
    CountSaveSelection(ctx);
    std::vector<std::string> planned;
    for (const SaveItem& item : ctx.save.plan)
        planned.push_back(model::FolderPath(ctx.recoveryTree, item.folder) + "\\" + item.name);
    EXPECT_EQ(planned,
              (std::vector<std::string>{"DOCS\\REPORT.DOC", "DOCS\\Notes for the meeting.txt",
                                        "DOCS\\_LD.DOC", "DOCS\\SUB\\DEEP.XLS"}));
}

// A file saved across sectors the medium cannot read is written whole with zeros there,
// and the save counts and names it instead of reporting a clean save.
TEST_F(SavePasses, FilesWithUnreadableSectorsAreCountedAndNamed) {
    test::MemoryMedium medium;
    const std::string bytes = test::ReadWholeFile(image->path());
    medium.bytes.assign(bytes.begin(), bytes.end());
    medium.badSectors.insert(image->clusterSector(image->firstCluster("::/DOCS/REPORT.DOC")));
    auto opener = std::make_shared<test::MemoryOpener>();
    opener->add("memory", medium);
    ctx.reader = app::MakeSectorReader(ctx, opener);
    ctx.reader->paths().setName(ctx.selectedDiskNumber, "memory");
    saveTree();
    const SaveSummary& s = ctx.save.summary;
    EXPECT_EQ(s.failed, 0u);
    EXPECT_EQ(s.withUnreadable, 1u);
    EXPECT_EQ(test::ReadWholeFile(dest / "DOCS/REPORT.DOC").size(), report.size());
    ASSERT_EQ(ctx.save.problems.size(), 1u);
    EXPECT_NE(ctx.save.problems[0].find("REPORT.DOC: "), std::string::npos);
    EXPECT_NE(ctx.save.problems[0].find("could not read; saved as zeros"), std::string::npos)
        << ctx.save.problems[0];
}

TEST_F(SavePasses, ListSelectionModesCountFilesAndFolderRowsRecursively) {
    const model::TreeItem docs = child(root(), "DOCS");
    app::ListFolder(ctx, docs, model::kKeyFolderLabels);
    ctx.currentFolderItem = docs;
    ctx.save.saveSource = kSaveSourceList;
    const int rows = ctx.fileList.rowCount();
    ASSERT_EQ(rows, 4); // SUB, REPORT.DOC, the long name, _LD.DOC
    for (int r = 0; r < rows; ++r)
        ctx.fileList.setSelected(r, true);

    ctx.save.settings.selectionMode = kSaveUnselectedRows;
    CountSaveSelection(ctx);
    EXPECT_EQ(ctx.save.counters.filesToSave, 0u);

    ctx.save.settings.selectionMode = kSaveAllRows;
    CountSaveSelection(ctx);
    EXPECT_EQ(ctx.save.counters.filesToSave, 4u); // three rows plus DEEP.XLS below SUB
    EXPECT_EQ(ctx.save.counters.bytesToSave,
              report.size() + notes.size() + old.size() + deep.size());

    ctx.fileList.setSelected(0, false); // SUB
    ctx.save.settings.selectionMode = kSaveSelectedRows;
    CountSaveSelection(ctx);
    EXPECT_EQ(ctx.save.counters.filesToSave, 3u);
    WriteSavePlan(ctx);
    EXPECT_EQ(treeOf(dest).size(), 3u);
    EXPECT_EQ(test::ReadWholeFile(dest / "DOCS/REPORT.DOC"), report);
}

TEST_F(SavePasses, DateWindowLimitsFolderCountsButNotListRows) {
    ctx.save.settings.dateWindow = DateWindowFromPositions({30, 11, 1, 0, 0, 0}); // 1970-1971
    model::ToggleCheck(ctx.recoveryTree, root());
    ctx.save.saveSource = kSaveSourceTree;
    CountSaveSelection(ctx);
    EXPECT_EQ(ctx.save.counters.filesToSave, 0u);

    app::ListFolder(ctx, root(), model::kKeyFolderLabels);
    ctx.currentFolderItem = root();
    ctx.save.saveSource = kSaveSourceList;
    ctx.save.settings.selectionMode = kSaveAllRows;
    CountSaveSelection(ctx);
    EXPECT_EQ(ctx.save.counters.filesToSave, 1u); // TOP.TXT; the folders' files are dated today
}

TEST_F(SavePasses, WriteErrorSkipGoesOnAndAbortEndsTheSave) {
    fs::create_directories(dest);
    std::ofstream(dest / "DOCS") << "a file where the folder should go";
    test::ScriptedWriteError skip(ui::WriteErrorAnswer::Skip);
    ctx.save.writeErrorQuestion = &skip;
    saveTree();
    EXPECT_EQ(skip.asked.size(), 4u); // the files of DOCS and DOCS/SUB
    EXPECT_EQ(ctx.save.summary.failed, 4u);
    EXPECT_EQ(ctx.save.summary.written, ctx.save.counters.filesToSave - 4);

    fs::remove(dest / "TOP.TXT");
    test::ScriptedWriteError abort(ui::WriteErrorAnswer::Abort);
    ctx.save.writeErrorQuestion = &abort;
    saveTree();
    EXPECT_EQ(abort.asked.size(), 1u);
    EXPECT_EQ(ctx.save.summary.failed, 1u);
    EXPECT_TRUE(fs::exists(dest / "TOP.TXT")); // written before the first failure
    // Nothing after the failed file was tried.
    EXPECT_LT(ctx.save.summary.written + ctx.save.summary.failed, ctx.save.counters.filesToSave);
    ctx.save.writeErrorQuestion = nullptr;
}

TEST_F(SavePasses, LinksInTheDestinationNeverLeadFilesOutOfIt) {
    fs::create_directories(dest);
    fs::create_directories(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", dest / "DOCS");
    fs::create_symlink(dir / "target.txt", dest / "TOP.TXT"); // dangling
    saveTree();
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    EXPECT_FALSE(fs::exists(dir / "target.txt"));
    EXPECT_EQ(ctx.save.summary.failed, 5u); // DOCS' four files and TOP.TXT
    EXPECT_EQ(ctx.save.summary.written, ctx.save.counters.filesToSave - 5);
}

TEST_F(SavePasses, DestinationOnTheSourceImageIsRefused) {
    ctx.save.destinationFolder = image->path().string();
    const auto before = fs::last_write_time(image->path());
    saveTree();
    EXPECT_EQ(ctx.save.summary.written, 0u);
    EXPECT_GT(ctx.save.summary.failed, 0u);
    ASSERT_FALSE(ctx.save.problems.empty());
    EXPECT_NE(ctx.save.problems[0].find("disk being recovered"), std::string::npos);
    EXPECT_EQ(fs::last_write_time(image->path()), before);
}

} // namespace
} // namespace qr::output
