// A medium that shrinks while the Standard search reads it: the search ends with the
// folders found before and says at which sector the medium stopped answering.
#include "app/FolderCommands.h"
#include "app/PartitionCommands.h"
#include "app/RecoveryContext.h"
#include "app/ScanDriver.h"
#include "support/FatImages.h"
#include "support/FuseMedium.h"
#include "support/RecordingWindow.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"
#include "volume/VolumeValidation.h"

#include <filesystem>
#include <future>
#include <gtest/gtest.h>

namespace qr::fat {
namespace {

// Cuts the image to `keep` sectors once the directory scan has passed `at`.
class TruncateAt final : public volume::SearchProgress {
public:
    TruncateAt(std::filesystem::path image, std::uint64_t at, std::uint64_t keep)
        : image_(std::move(image)), at_(at), keep_(keep) {}
    void phase(volume::SearchPhase) override {}
    void position(std::uint64_t position, std::uint64_t) override {
        if (!done_ && at_ > 0 && position >= at_) {
            std::filesystem::resize_file(image_, keep_ * 512);
            done_ = true;
        }
    }
    void counter(volume::SearchCounter, std::uint64_t) override {}

private:
    std::filesystem::path image_;
    std::uint64_t at_, keep_;
    bool done_ = false;
};

struct Searched {
    Searched(const test::FatImage& image, volume::SearchProgress& watcher) {
        app::Services services;
        services.window = &window;
        services.messages = &messages;
        ctx = std::make_unique<app::RecoveryContext>(services);
        image.selectIn(*ctx);
        ctx->searchMode = app::kSearchStandard;
        ctx->validationSucceeded = app::ValidateVolume(*ctx) == 1;
        ctx->progress().setObserver(&watcher);
        app::ScanWorker(*ctx, {});
        ctx->progress().setObserver(nullptr);
    }
    bool listsFolder(const std::string& name) {
        app::ListFolder(*ctx, ctx->recoveryTree.firstTopLevel(), model::kMouseFolderLabels);
        for (const model::FileListRow& row : ctx->fileList.rows())
            if (row.cells[model::file_col::Name] == name)
                return true;
        return false;
    }
    test::RecordingWindowItems window;
    test::ScriptedMessages messages;
    std::unique_ptr<app::RecoveryContext> ctx;
};

TEST(MediumLoss, ImageCutDuringTheSearchIsReportedWithWhatWasFound) {
    if (!test::haveFatTools())
        GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
    test::TempDir dir;
    test::FatImageOptions o;
    o.fatBits = 32;
    o.sizeMiB = 48;
    test::FatImage image(dir / "card.img", o);
    image.mkdir("::/EARLY");
    image.writeFile("::/EARLY/A.TXT", "kept");

    {
        TruncateAt never(image.path(), 0, 0);
        Searched whole(image, never);
        EXPECT_FALSE(whole.ctx->mediumLostAt);
        EXPECT_TRUE(whole.messages.asked().empty());
    }

    const std::uint64_t keep = image.volumeStart() + image.volumeSectors() / 2;
    TruncateAt cut(image.path(), image.volumeStart() + image.volumeSectors() / 4, keep);
    Searched s(image, cut);
    ASSERT_TRUE(s.ctx->mediumLostAt);
    EXPECT_EQ(*s.ctx->mediumLostAt, keep);
    ASSERT_EQ(s.messages.asked().size(), 1u);
    EXPECT_NE(
        s.messages.asked()[0].text.find("stopped answering at sector " + std::to_string(keep)),
        std::string::npos)
        << s.messages.asked()[0].text;
    EXPECT_TRUE(s.listsFolder("EARLY"));
}

// recovery-cli list over a medium cut while the search reads it: the folders found
// before are listed, stderr names the sector the medium ends at, and the exit status
// is the one kept for a medium that stopped answering.
TEST(MediumLoss, CliListOverAMediumCutMidSearchExitsFourAndNamesTheSector) {
#ifndef STALL_FS
    GTEST_SKIP() << "stall-fs was not built (libfuse3-dev missing)";
#else
    if (!test::haveFatTools() || !test::FuseMedium::usable())
        GTEST_SKIP() << "mkfs.fat, mtools, sfdisk or FUSE missing";
    test::TempDir dir;
    test::FatImageOptions o;
    o.fatBits = 32;
    o.sizeMiB = 48;
    o.partitioned = true;
    test::FatImage image(dir / "card.img", o);
    image.mkdir("::/EARLY");
    image.writeFile("::/EARLY/A.TXT", "kept");

    const std::uint64_t keep = image.volumeStart() + image.volumeSectors() / 2;
    test::FuseMedium medium(image.path(), keep * 512);
    ASSERT_TRUE(medium.mounted());
    auto listing = std::async(std::launch::async, [&] {
        // The listing on stdout; the message on stderr, kept apart.
        return test::run("(" + std::string(RECOVERY_CLI) + " --image " +
                         test::shellQuote(medium.medium().string()) + " list --partition 1 2>" +
                         test::shellQuote((dir / "err").string()) + ")");
    });
    // The search has read up to the middle of the volume: cut the medium there.
    ASSERT_TRUE(medium.waitHeld());
    std::filesystem::resize_file(image.path(), keep * 512);
    medium.letGo();
    const test::CommandResult r = listing.get();
    const std::string err = test::run("cat " + test::shellQuote((dir / "err").string())).output;
    EXPECT_EQ(r.exitCode, 4) << r.output << err;
    EXPECT_NE(err.find("stopped answering at sector " + std::to_string(keep)), std::string::npos)
        << err;
    EXPECT_NE(r.output.find("EARLY/A.TXT"), std::string::npos) << r.output;
#endif
}

} // namespace
} // namespace qr::fat
