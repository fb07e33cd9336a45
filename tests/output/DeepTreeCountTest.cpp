// Counting a save over a recovery tree nested thousands of folders deep: a hostile
// medium can hold such a chain of directories, and the count runs on a worker thread
// whose stack must not grow with the depth of the tree.
#include "app/FolderCommands.h"
#include "app/ReadFailureNotice.h"
#include "app/RecoveryContext.h"
#include "app/SaveCommands.h"
#include "disk/SectorReader.h"
#include "model/FileList.h"
#include "model/RecoveryTree.h"
#include "model/TreeChecks.h"
#include "output/SavePasses.h"
#include "output/SaveSettings.h"
#include "support/MemoryDevice.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <pthread.h>

#include <algorithm>
#include <cstring>

namespace qr::output {
namespace {

constexpr std::uint32_t kDepth = 2000;
constexpr std::uint32_t kFirstFolderCluster = 100;
constexpr std::uint32_t kFatStart = 1;
constexpr std::uint32_t kSectorsPerFat = 32;
// Far below the default 8 MiB, so that a walk whose stack grows per level runs out
// here at a depth that keeps the test quick.
constexpr std::size_t kWorkerStack = 128 * 1024;

// Runs `work` on a thread with a small stack and waits for it.
template <class Work> void runOnSmallStack(Work& work) {
    pthread_attr_t attr;
    ASSERT_EQ(pthread_attr_init(&attr), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, kWorkerStack), 0);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attr,
                  [](void* p) -> void* {
                      (*static_cast<Work*>(p))();
                      return nullptr;
                  },
                  &work),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

// A FAT16 volume (one sector per cluster, cluster n at sector n) whose folders nest
// kDepth deep, each directory one cluster holding one file F.TXT of 1 byte.
class DeepTreeCount : public ::testing::Test {
protected:
    DeepTreeCount() {
        medium.bytes.assign((kFirstFolderCluster + kDepth + 1) * 512, 0);
        auto opener = std::make_shared<test::MemoryOpener>();
        opener->add("memory", medium);
        ctx.reader = app::MakeSectorReader(ctx, opener);
        ctx.reader->paths().setName(0, "memory");
        ctx.volumeParams.fileSystemName = "FAT16";
        ctx.volumeParams.partitionEnd = kFirstFolderCluster + kDepth;
        fat::ActiveGeometry& g = ctx.activeGeometry;
        g.fileSystemName = "FAT16";
        g.sectorsPerCluster = 1;
        g.cluster0Start = 0;
        g.firstFat = kFatStart;
        g.secondFat = kFatStart + kSectorsPerFat;
        g.sectorsPerFat = kSectorsPerFat;
        g.rootSectors = 0;

        model::TreeItem parent = app::EnsureRootItem(ctx);
        top = model::kNoItem;
        std::uint32_t parentKey = 0;
        for (std::uint32_t i = 0; i < kDepth; ++i) {
            const std::uint32_t cluster = kFirstFolderCluster + i;
            setFat(cluster, 0xFFFF);
            unsigned char* entry = &medium.bytes[std::size_t{cluster} * 512];
            std::memcpy(entry, "F       TXT", 11);
            entry[11] = 0x20;
            entry[26] = 2; // first cluster of the file, never read while counting
            entry[28] = 1; // size
            parent = app::InsertFolderNode(ctx, parent, "D", cluster, parentKey, 0, 0, false);
            if (top == model::kNoItem)
                top = parent;
            parentKey = cluster;
        }
    }

    void setFat(std::uint32_t cluster, std::uint16_t value) {
        unsigned char* s = &medium.bytes[(kFatStart + cluster / 256) * 512];
        s[(cluster % 256) * 2] = value & 0xFF;
        s[(cluster % 256) * 2 + 1] = value >> 8;
    }

    void expectEveryLevelCounted() const {
        ASSERT_EQ(ctx.save.plan.size(), kDepth);
        EXPECT_EQ(ctx.save.counters.filesToSave, kDepth);
        EXPECT_EQ(ctx.save.counters.bytesToSave, kDepth);
        // Depth first from the top: the last file planned is the deepest one.
        const std::string deepest =
            model::FolderPath(ctx.recoveryTree, ctx.save.plan.back().folder);
        EXPECT_EQ(std::count(deepest.begin(), deepest.end(), '\\'), kDepth - 1);
        EXPECT_EQ(model::FolderPath(ctx.recoveryTree, ctx.save.plan.front().folder), "D");
    }

    test::MemoryMedium medium;
    app::RecoveryContext ctx;
    model::TreeItem top;
};

TEST_F(DeepTreeCount, MarkedTreeIsCountedToItsDeepestFolder) {
    model::ToggleCheck(ctx.recoveryTree, ctx.recoveryTree.firstTopLevel());
    ctx.save.saveSource = kSaveSourceTree;
    auto work = [this] { CountSaveSelection(ctx); };
    runOnSmallStack(work);
    expectEveryLevelCounted();
}

TEST_F(DeepTreeCount, FolderRowOfTheListIsCountedToItsDeepestFolder) {
    model::FileListRow row;
    row.cells[model::file_col::Name] = "D";
    row.cells[model::file_col::Type] = "Folder";
    row.cells[model::file_col::DebugInfo1] = std::to_string(kFirstFolderCluster);
    row.cells[model::file_col::DebugInfo3] = std::to_string(top);
    row.folderItem = top;
    row.folderKey = kFirstFolderCluster;
    ctx.fileList.append(row);
    ctx.currentFolderItem = ctx.recoveryTree.firstTopLevel();
    ctx.save.saveSource = kSaveSourceList;
    ctx.save.settings.selectionMode = kSaveAllRows;
    auto work = [this] { CountSaveSelection(ctx); };
    runOnSmallStack(work);
    expectEveryLevelCounted();
}

// The plan names each file's folder by its tree item: a copy of the path per file would
// take the square of the depth (4 MB here, gigabytes for a hostile image).
TEST_F(DeepTreeCount, PlanTakesMemoryByItsFilesNotByTheDepth) {
    model::ToggleCheck(ctx.recoveryTree, ctx.recoveryTree.firstTopLevel());
    ctx.save.saveSource = kSaveSourceTree;
    const std::size_t before = ::mallinfo2().uordblks;
    CountSaveSelection(ctx);
    const std::size_t after = ::mallinfo2().uordblks;
    ASSERT_EQ(ctx.save.plan.size(), kDepth);
    EXPECT_LT(after - std::min(after, before), std::size_t{1} << 20) << "bytes held by the plan";
}

} // namespace
} // namespace qr::output
