// The exFAT walk's tree while the sweep runs, on the shared exFAT test disk: the tree of
// the walk is shown before the heap sweep, its folders list their files, a tick given
// then stays, and the finished tree is the one a search without the early tree builds.
#include "app/FolderCommands.h"
#include "app/PartitionCommands.h"
#include "app/RecoveryContext.h"
#include "app/ScanDriver.h"
#include "disk/SectorReader.h"
#include "model/FileList.h"
#include "support/ExfatImages.h"
#include "support/RecordingWindow.h"
#include "support/TestSupport.h"
#include "support/WalkedTreeProbe.h"

#include <gtest/gtest.h>

namespace qr::exfat {
namespace {

using test::ExfatImage;

std::unique_ptr<app::RecoveryContext> searchOf(const ExfatImage& image, app::WindowItems& window) {
    app::Services services;
    services.window = &window;
    auto ctx = std::make_unique<app::RecoveryContext>(services);
    ctx->reader->paths().setName(0, image.path().string());
    ctx->volumeParams.fileSystemName = "exFAT";
    ctx->volumeParams.partitionStart = ExfatImage::kVolumeStart;
    ctx->volumeParams.partitionEnd = ExfatImage::kVolumeStart + ExfatImage::kVolumeSectors - 1;
    ctx->searchMode = app::kSearchStandard;
    ctx->validationSucceeded = app::ValidateVolume(*ctx) == 1;
    return ctx;
}

TEST(ExfatWalkFirst, TheWalkedTreeListsItsFilesWhileTheSweepRunsAndJoinsItsFolders) {
    std::string why;
    const ExfatImage* image = ExfatImage::shared(&why);
    if (!image)
        GTEST_SKIP() << why;
    test::RecordingWindowItems plainWindow;
    auto plain = searchOf(*image, plainWindow);
    app::ScanWorker(*plain, {});
    const test::FolderTicks expected = test::FoldersOf(plain->recoveryTree);

    test::WalkedTreeProbe probe;
    std::vector<std::string> docsFiles;
    probe.act = [&](app::RecoveryContext& c) {
        const model::TreeItem docs = test::RootChild(c.recoveryTree, "docs");
        app::OnFolderItemClicked(c, docs, /*onCheckBox=*/true);
        app::ListFolder(c, docs, model::kMouseFolderLabels);
        for (const model::FileListRow& row : c.fileList.rows())
            docsFiles.push_back(row.cells[model::file_col::Name]);
    };
    auto ctx = searchOf(*image, probe);
    probe.ctx = ctx.get();
    ctx->showWalkedTree = true;
    ctx->scanWorkerRunning = true;
    app::ScanWorker(*ctx, {});

    ASSERT_TRUE(probe.seen);
    EXPECT_FALSE(probe.blocked);
    EXPECT_TRUE(probe.walked.count("/docs/2024"));
    EXPECT_TRUE(probe.walked.count("/many"));
    EXPECT_FALSE(probe.walked.count("/Lost")) << "Lost comes with the sweep";
    EXPECT_EQ(docsFiles, (std::vector<std::string>{"2024", "notes.txt"}));
    for (const std::string& path : test::PathsOf(probe.walked))
        EXPECT_TRUE(expected.count(path)) << path << " is not in the finished tree";
    const test::FolderTicks final = test::FoldersOf(ctx->recoveryTree);
    EXPECT_EQ(test::PathsOf(final), test::PathsOf(expected));
    EXPECT_EQ(final.at("/docs"), model::CheckState::Checked);
    EXPECT_EQ(final.at("/docs/2024"), model::CheckState::Checked);
    EXPECT_EQ(final.at("/many"), model::CheckState::Unchecked);
    // The finished tree lists the search's own rows again.
    app::ListFolder(*ctx, test::RootChild(ctx->recoveryTree, "docs"), model::kMouseFolderLabels);
    EXPECT_EQ(ctx->fileList.rowCount(), 2);
}

} // namespace
} // namespace qr::exfat
