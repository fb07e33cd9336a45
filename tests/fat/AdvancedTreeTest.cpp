// A card whose boot sector and backup are gone, searched in Advanced mode: the file
// system inferred from its directories, opened as the file-system worker opens it,
// lists every live file at its path with its size, as the Standard search lists the
// intact card.
#include "AdvancedFatSupport.h"
#include "app/RecoveryContext.h"
#include "fat/LostDirectories.h"
#include "fat/PickedFileSystem.h"
#include "fat/ScanWorker.h"
#include "model/FileList.h"
#include "model/RecoveryTree.h"
#include "support/FatImages.h"
#include "support/RecordingWindow.h"
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
    model::ListFolder(ctx, item, model::kMouseFolderLabels);
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

void addLostRow(model::RecordTable& folders) {
    using namespace model::folder_col;
    const int row = folders.insertRow(0, "Lost");
    folders.setCell(row, Sector, "0");
    folders.setNumber(row, Self, model::kLostFolderKey);
    for (int column : {Parent, Date, Time, Size, SysId})
        folders.setCell(row, column, "0");
    folders.setCell(row, Attr, "16");
    folders.setCell(row, Type, "FOLDER");
}

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
    intact.ctx->validationSucceeded = volume::ValidateVolume(*intact.ctx) == 1;
    ScanWorker(*intact.ctx, {});
    const Files expected = intact.files();
    ASSERT_EQ(expected.size(), 4u);
    EXPECT_EQ(expected.at("/Holiday Pictures/BEACH.JPG"), "70000");

    card.writeBytes(2048 * 512, std::string(512, '\0'));
    card.writeBytes((2048 + 6) * 512, std::string(512, '\0'));
    Context damaged(card);
    app::RecoveryContext& ctx = *damaged.ctx;
    ctx.searchMode = app::kSearchAdvanced;
    test::ImageFileSource source(card.path());
    ASSERT_EQ(test::advancedSearch(source, ctx.tables, 0, options.sizeMiB * 2048 - 1,
                                   volume::FileSystemKind::Fat32),
              1);
    addLostRow(ctx.tables.folderTable);
    ctx.activeGeometry = OpenPickedFileSystem(source, ctx.tables, 1, {});
    FindLostDirectories(ctx, ctx.tables.folderTable, kFatRootParent);
    model::BuildFolderTree(ctx, model::TreeVariant::FatAdvance);
    EXPECT_EQ(damaged.files(), expected);
}

} // namespace
} // namespace qr::fat
