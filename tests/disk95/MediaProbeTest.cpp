// The media probe: its answers, a probe that is missing, one that never ends, and the
// real NoDisk.
#include "disk/MediaProbe.h"
#include "disk/DiskRegistry.h"
#include "disk/ScratchFolder.h"
#include "platform/FileRegistryStore.h"
#include "support/TestSupport.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>

using namespace qr;

namespace {

struct Probe : ::testing::Test {
    test::TempDir install;
    disk::ScratchFolder scratch;
    disk::ScratchFolderEnvironment environment{scratch.path()};

    void probeScript(const std::string& body) {
        const auto path = install / disk::kProbeProgram;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
};

} // namespace

TEST_F(Probe, TheFirstCharacterOfTheAnswerFileIsTheAnswer) {
    ASSERT_TRUE(scratch.valid());
    probeScript("printf 'X123' > \"$QUARRIXDALE_SCRATCH_DIR/CARDINFO.TXT\"");
    const disk::ProbeOutcome outcome = disk::ProbeMedia(true, install.path(), scratch.path());
    EXPECT_EQ(outcome.answer, 'X');
    EXPECT_FALSE(outcome.stopped);
    // Off the 'F' family nothing runs.
    EXPECT_EQ(disk::ProbeMedia(false, install.path(), scratch.path()).answer, 0);
}

TEST_F(Probe, NoAnswerReadsAsOneAndAStaleAnswerIsNotRead) {
    std::ofstream(scratch.file(disk::kProbeAnswerFile)) << "0";
    EXPECT_EQ(disk::ProbeMedia(true, install.path(), scratch.path()).answer, '1'); // no probe
    probeScript("exit 0"); // runs, answers nothing
    EXPECT_EQ(disk::ProbeMedia(true, install.path(), scratch.path()).answer, '1');
    probeScript(": > \"$QUARRIXDALE_SCRATCH_DIR/CARDINFO.TXT\""); // an empty answer
    EXPECT_EQ(disk::ProbeMedia(true, install.path(), scratch.path()).answer, '1');
}

TEST_F(Probe, AProbeThatNeverEndsIsStoppedAtTheLimit) {
    probeScript("exec sleep 60");
    const auto begin = std::chrono::steady_clock::now();
    const disk::ProbeOutcome outcome =
        disk::ProbeMedia(true, install.path(), scratch.path(), std::chrono::milliseconds(300));
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.answer, '1');
    EXPECT_EQ(disk::ProbeStoppedMessage(disk::kProbeLimit),
              "NoDisk did not finish within 20 seconds and was stopped");
}

TEST_F(Probe, NoDiskAnswersWhetherAnyMediumIsThere) {
    test::TempDir home;
    std::filesystem::create_directories(home / "sys");
    ::setenv("QUARRIXDALE_SYSFS_BLOCK", (home / "sys").c_str(), 1);
    ::setenv(platform::kRegistryPathVariable, (home / "registry").c_str(), 1);
    platform::FileRegistryStore registry(home / "registry");
    disk::RegisterDiskImages(registry, {});
    const std::string programs = PROGRAM_DIR;
    EXPECT_EQ(disk::ProbeMedia(true, programs, scratch.path()).answer, '0');

    std::ofstream(home / "card.img") << std::string(4096, '\0');
    disk::RegisterDiskImages(registry, {(home / "card.img").string()});
    EXPECT_EQ(disk::ProbeMedia(true, programs, scratch.path()).answer, '1');
    ::unsetenv("QUARRIXDALE_SYSFS_BLOCK");
    ::unsetenv(platform::kRegistryPathVariable);
}
