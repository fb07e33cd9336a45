// The Advanced NTFS search through the scan driver as the wizard runs it: the sweep on
// the scan worker, the assignment on its own worker with its captions, the
// file-systems step, the picked volume's tree listing what the Standard search of the
// same volume lists, and a file opened from it byte for byte.
#include "app/AdvancedFatSearch.h"
#include "app/FolderCommands.h"
#include "app/PartitionCommands.h"
#include "app/RecoveryContext.h"
#include "app/RecoveryLogCommands.h"
#include "app/ScanDriver.h"
#include "disk/SectorReader.h"
#include "model/FileList.h"
#include "model/TreeModel.h"
#include "ntfs/NtfsEngine.h"
#include "output/RecoveryLogFormat.h"
#include "output/RecoveryLogState.h"
#include "support/NtfsImages.h"
#include "support/RecordingWindow.h"
#include "support/ScriptedMessages.h"
#include "volume/VolumeValidation.h"

#include <gtest/gtest.h>

#include <map>

namespace qr::ntfs {
namespace {

using test::NtfsImage;
using Files = std::map<std::string, std::string>; // path -> size

void collect(app::RecoveryContext& ctx, model::TreeItem item, const std::string& path, Files& out,
             int depth = 0) {
    app::ListFolder(ctx, item, model::kMouseFolderLabels);
    const std::vector<model::FileListRow> rows = ctx.fileList.rows();
    for (const model::FileListRow& row : rows) {
        const std::string& type = row.cells[model::file_col::Type];
        const std::string p = path + "/" + row.cells[model::file_col::Name];
        if (type.rfind("Deleted", 0) == 0)
            continue;
        if (row.image == model::kFolderRowImage) {
            if (depth < 16)
                collect(ctx, std::stoi(row.cells[model::file_col::DebugInfo3]), p, out, depth + 1);
        } else {
            out[p] = row.cells[model::file_col::Size];
        }
    }
}

struct Search {
    explicit Search(const NtfsImage& image) {
        app::Services services;
        services.window = &window;
        ctx = std::make_unique<app::RecoveryContext>(services);
        ctx->messages = &messages;
        ctx->reader->paths().setName(0, image.path().string());
        ctx->selectedDiskNumber = 0;
        ctx->volumeParams.fileSystemName = "NTFS";
    }
    Files files() {
        Files out;
        collect(*ctx, ctx->recoveryTree.firstTopLevel(), "", out);
        return out;
    }
    test::RecordingWindowItems window;
    test::ScriptedMessages messages;
    std::unique_ptr<app::RecoveryContext> ctx;
};

struct StringSink final : volume::FileSink {
    bool write(disk::ByteView bytes) override {
        text.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return true;
    }
    bool interrupted() override { return false; }
    void unreadable(std::uint64_t, std::uint64_t) override {}
    std::string text;
};

TEST(NtfsAdvancedTree, ThePickedVolumeListsWhatTheStandardSearchListsAndOpensItsFiles) {
    std::string why;
    const NtfsImage* image = NtfsImage::shared(&why);
    if (!image)
        GTEST_SKIP() << why;

    Search standard(*image);
    standard.ctx->volumeParams.partitionStart = NtfsImage::kVolumeStart;
    standard.ctx->volumeParams.partitionEnd =
        NtfsImage::kVolumeStart + NtfsImage::kVolumeSectors - 1;
    standard.ctx->searchMode = app::kSearchStandard;
    ASSERT_EQ(app::ValidateVolume(*standard.ctx), 1);
    app::ScanWorker(*standard.ctx, {});
    const Files expected = standard.files();
    ASSERT_GT(expected.size(), 5u);

    Search advanced(*image);
    app::RecoveryContext& ctx = *advanced.ctx;
    ctx.searchMode = app::kSearchAdvanced;
    ctx.volumeParams.partitionStart = 0;
    ctx.volumeParams.partitionEnd = ctx.reader->sectorCount();
    ctx.wizardStage = 2;
    app::ScanWorker(ctx, {});
    ASSERT_TRUE(ctx.assignmentWorker.joinable());
    ctx.assignmentWorker.join();
    EXPECT_FALSE(ctx.assignmentRunning);
    EXPECT_EQ(advanced.window.text(app::item::kCounterLabel),
              "Files Found                                :");
    EXPECT_EQ(advanced.window.text(app::item::kProgressCaption).rfind("Assigned ", 0), 0u)
        << advanced.window.text(app::item::kProgressCaption);
    ASSERT_EQ(ctx.fileSystemCount, 1);
    EXPECT_EQ(ctx.fileSystemTree.text(ctx.fileSystemTree.selected()), "File System 1 - NTFS");
    EXPECT_EQ(ctx.fileList.row(2).cells[model::file_col::Name], "File System Start : 2048");
    EXPECT_EQ(advanced.window.enabled(app::item::kNext), true);
    EXPECT_TRUE(advanced.messages.texts().empty());

    app::AddLostFolderRow(ctx.tables.folderTable);
    app::FileSystemWorker(ctx, {});
    EXPECT_EQ(ctx.wizardStage, 3);
    EXPECT_EQ(advanced.files(), expected);

    // Opening a file extracts it through the picked volume's geometry.
    const auto engine = app::EngineFor(ctx);
    ASSERT_TRUE(engine);
    int opened = 0;
    engine->listFiles(5, false, [&](const volume::FolderFile& file) {
        const auto known = image->files().find(file.name);
        if (known == image->files().end() || known->second.deleted)
            return true;
        StringSink sink;
        engine->extract(file, sink, {});
        EXPECT_TRUE(sink.text == known->second.content) << file.name;
        ++opened;
        return true;
    });
    EXPECT_GT(opened, 3);

    // A recovery log of the picked volume gives its geometry and its tree back to a new
    // session, not the searched range.
    const NtfsGeometry picked = ctx.ntfsVolume->geometry;
    output::LogSearchFields fields;
    fields.searchMode = ctx.searchMode;
    const auto parsed = output::ParseRecoveryLog(output::EncodeRecoveryLog(output::TakeLogSnapshot(
        fields, ctx.volumeParams, ctx.activeGeometry, ctx.folderNodes, ctx.tables.fileTable)));
    ASSERT_TRUE(parsed.snapshot) << parsed.problem;
    Search loaded(*image);
    app::RestoreRecoveryLog(*loaded.ctx, *parsed.snapshot);
    const auto& restored = loaded.ctx->ntfsVolume;
    ASSERT_TRUE(restored && restored->hasGeometry);
    EXPECT_EQ(restored->geometry.volumeStart, NtfsImage::kVolumeStart);
    EXPECT_EQ(restored->geometry.volumeStart, picked.volumeStart);
    EXPECT_EQ(restored->geometry.volumeEnd, picked.volumeEnd);
    EXPECT_EQ(restored->geometry.sectorsPerCluster, picked.sectorsPerCluster);
    EXPECT_EQ(restored->geometry.mftStart, picked.mftStart);
    EXPECT_NE(picked.mftStart, 0u);
    EXPECT_EQ(loaded.files(), expected);
}

TEST(NtfsAdvancedTree, AnEmptyMediumSaysNoFileSystemWasIdentified) {
    std::string why;
    const NtfsImage* image = NtfsImage::shared(&why);
    if (!image)
        GTEST_SKIP() << why;
    Search search(*image);
    app::RecoveryContext& ctx = *search.ctx;
    ctx.searchMode = app::kSearchAdvanced;
    // Sectors in front of the volume: nothing there.
    ctx.volumeParams.partitionStart = 0;
    ctx.volumeParams.partitionEnd = NtfsImage::kVolumeStart - 1;
    app::ScanWorker(ctx, {});
    ctx.assignmentWorker.join();
    EXPECT_EQ(ctx.fileSystemCount, 0);
    EXPECT_EQ(search.messages.texts(),
              (std::vector<std::string>{"No file sytem could be identified"}));
    EXPECT_EQ(search.window.enabled(app::item::kNext), false);
}

} // namespace
} // namespace qr::ntfs
