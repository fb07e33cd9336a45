// A card whose boot sector and backup are gone, searched in Advanced mode through the
// scan driver: the file system inferred from its directories, opened by the file-system
// worker, lists every live file at its path with its size, as the Standard search lists
// the intact card. A medium with nothing on it identifies nothing, and says so.
#include "AdvancedFatSupport.h"
#include "app/AdvancedFatSearch.h"
#include "app/FolderCommands.h"
#include "app/PartitionCommands.h"
#include "app/RecoveryContext.h"
#include "app/ScanDriver.h"
#include "model/FileList.h"
#include "support/FatImages.h"
#include "support/RecordingWindow.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"
#include "volume/VolumeValidation.h"

#include <gtest/gtest.h>

#include <map>

namespace qr::fat {
namespace {

// Live files as path -> size, every folder opened from the root down.
using Files = std::map<std::string, std::string>;

void collect(app::RecoveryContext& ctx, model::TreeItem item, const std::string& path, Files& out,
             int depth = 0) {
    app::ListFolder(ctx, item, model::kMouseFolderLabels);
    const std::vector<model::FileListRow> rows = ctx.fileList.rows();
    for (const model::FileListRow& row : rows) {
        const std::string& type = row.cells[model::file_col::Type];
        const std::string p = path + "/" + row.cells[model::file_col::Name];
        if (row.image == model::kFolderRowImage) {
            if (depth < 16 && type.rfind("Deleted", 0) != 0)
                collect(ctx, std::stoi(row.cells[model::file_col::DebugInfo3]), p, out, depth + 1);
        } else if (type.rfind("Deleted", 0) != 0) {
            out[p] = row.cells[model::file_col::Size];
        }
    }
}

struct Context {
    explicit Context(const test::FatImage& card) {
        app::Services services;
        services.window = &window;
        ctx = std::make_unique<app::RecoveryContext>(services);
        card.selectIn(*ctx);
    }
    Files files() {
        Files out;
        collect(*ctx, ctx->recoveryTree.firstTopLevel(), "", out);
        return out;
    }
    test::RecordingWindowItems window;
    std::unique_ptr<app::RecoveryContext> ctx;
};

TEST(AdvancedTree, CardWithoutBootSectorsListsWhatTheIntactCardLists) {
    if (!test::haveFatTools())
        GTEST_SKIP() << "mkfs.fat, sfdisk or mtools missing";
    test::TempDir dir;
    test::FatImageOptions options;
    options.partitioned = true;
    test::FatImage card(dir / "card.img", options);
    card.mkdir("::/Holiday Pictures");
    card.mkdir("::/Holiday Pictures/Day one");
    card.mkdir("::/Letters");
    card.writeFile("::/readme.txt", "top level");
    card.writeFile("::/Holiday Pictures/beach.jpg", std::string(70000, 'b'));
    card.writeFile("::/Holiday Pictures/Day one/sunrise.jpg", std::string(1234, 's'));
    card.writeFile("::/Letters/to Anna.doc", "Dear Anna");
    card.writeFile("::/Letters/gone.doc", "deleted");
    card.del("::/Letters/gone.doc");

    Context intact(card);
    intact.ctx->searchMode = app::kSearchStandard;
    intact.ctx->validationSucceeded = app::ValidateVolume(*intact.ctx) == 1;
    app::ScanWorker(*intact.ctx, {});
    const Files expected = intact.files();
    ASSERT_EQ(expected.size(), 4u);
    EXPECT_EQ(expected.at("/Holiday Pictures/BEACH.JPG"), "70000");

    card.writeBytes(2048 * 512, std::string(512, '\0'));
    card.writeBytes((2048 + 6) * 512, std::string(512, '\0'));
    Context damaged(card);
    app::RecoveryContext& ctx = *damaged.ctx;
    ctx.searchMode = app::kSearchAdvanced;
    ctx.volumeParams.partitionStart = 0;
    ctx.volumeParams.partitionEnd = options.sizeMiB * 2048 - 1;
    ctx.wizardStage = 2;
    app::ScanWorker(ctx, {});
    ASSERT_EQ(ctx.fileSystemCount, 1);
    EXPECT_EQ(ctx.fileSystemTree.text(ctx.fileSystemTree.selected()), "File System 1 - FAT32");
    EXPECT_EQ(ctx.fileList.row(0).cells[model::file_col::Name], "File System - 1");
    EXPECT_EQ(ctx.fileList.row(3).cells[model::file_col::Name], "Sectors Per Clusters : 1");
    EXPECT_EQ(damaged.window.enabled(app::item::kNext), true);
    EXPECT_EQ(damaged.window.text(app::item::kBootSectorsFound), "0");

    app::AddLostFolderRow(ctx.tables.folderTable);
    app::FileSystemWorker(ctx, {});
    EXPECT_EQ(ctx.wizardStage, 3);
    EXPECT_EQ(ctx.activeGeometry.fileSystemName, "FAT32");
    EXPECT_EQ(damaged.files(), expected);
}

TEST(AdvancedTree, NothingOnTheMediumIsReportedAndNextStaysOff) {
    if (!test::haveFatTools())
        GTEST_SKIP() << "mkfs.fat, sfdisk or mtools missing";
    test::TempDir dir;
    test::FatImageOptions options;
    options.fatBits = 16;
    options.sizeMiB = 8;
    test::FatImage card(dir / "empty.img", options);
    test::ScriptedMessages messages;
    Context search(card);
    app::RecoveryContext& ctx = *search.ctx;
    ctx.messages = &messages;
    ctx.searchMode = app::kSearchAdvanced;
    ctx.wizardStage = 2;
    app::ScanWorker(ctx, {});
    EXPECT_EQ(ctx.fileSystemCount, 0) << "a boot sector without directories is no file system";
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"No file system could be identified"}));
    EXPECT_EQ(search.window.enabled(app::item::kNext), false);
    EXPECT_EQ(search.window.enabled(app::item::kBack), true);
    EXPECT_EQ(search.window.text(app::item::kBootSectorsFound), "1");
}

} // namespace
} // namespace qr::fat
