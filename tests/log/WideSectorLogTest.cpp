// Sector numbers beyond 32 bits in a recovery log: the high halves of the validated
// layout travel behind the mode caption, where a reader that knows nothing of them
// carries them along as caption bytes; logs without them are the logs of old.
#include "output/RecoveryLogFormat.h"
#include "output/RecoveryLogState.h"

#include "LogBytes.h"

#include <gtest/gtest.h>

namespace qr::output {
namespace {

using test::LogBytes;

constexpr std::uint64_t kHigh = std::uint64_t{1} << 32;

// The caption's field as a log with the high halves 1..5 holds it.
std::string wideCaption(const std::string& caption) {
    LogBytes wide;
    wide.text(std::string(kWideMarker));
    for (std::uint32_t half = 1; half <= 5; ++half)
        wide.u32(half);
    return caption + std::string(wide.bytes.begin(), wide.bytes.end());
}

RecoveryLogSnapshot wideSnapshot() {
    RecoveryLogSnapshot s;
    s.diskModel = "Big Disk";
    s.searchMode = 2;
    s.diskNumber = 3;
    s.searchDiskNumber = 4;
    s.partitionIndex = 5;
    s.partitionType = "NTFS";
    s.modeCaption = "Standard Search";
    s.partitionStart = 0x1122334455667788ull;
    s.partitionEnd = 0x99AABBCCDDEEFF00ull;
    s.validated = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    s.validatedHigh = {1, 2, 3, 4, 5};
    s.working = {101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112};
    s.fileSystemName = "NTFS";
    return s;
}

std::vector<unsigned char> wideBytes(const std::string& captionField) {
    LogBytes b;
    b.head("Big Disk", "NTFS", captionField).u32(0).u32(0);
    return b.bytes;
}

TEST(WideSectorLog, HighHalvesAreWrittenBehindTheCaptionAndReadBack) {
    const std::vector<unsigned char> bytes = EncodeRecoveryLog(wideSnapshot());
    EXPECT_EQ(bytes, wideBytes(wideCaption("Standard Search")));
    const LogParseResult back = ParseRecoveryLog(bytes);
    ASSERT_TRUE(back.snapshot) << back.problem;
    EXPECT_EQ(*back.snapshot, wideSnapshot());
    EXPECT_EQ(back.snapshot->modeCaption, "Standard Search");

    // Without high halves the caption stands alone, as in every log of old, and a log of
    // old reads with none.
    RecoveryLogSnapshot narrow = wideSnapshot();
    narrow.validatedHigh = {};
    EXPECT_EQ(EncodeRecoveryLog(narrow), wideBytes("Standard Search"));
    const LogParseResult old = ParseRecoveryLog(wideBytes("Standard Search"));
    ASSERT_TRUE(old.snapshot) << old.problem;
    EXPECT_FALSE(old.snapshot->validatedHigh.any());

    // A caption too long to leave room for them is cut, never the halves.
    RecoveryLogSnapshot longCaption = wideSnapshot();
    longCaption.modeCaption = std::string(300, 'c');
    const LogParseResult cut = ParseRecoveryLog(EncodeRecoveryLog(longCaption));
    ASSERT_TRUE(cut.snapshot) << cut.problem;
    EXPECT_EQ(cut.snapshot->modeCaption, std::string(kLogShortStringMax - kWideBytes, 'c'));
    EXPECT_EQ(cut.snapshot->validatedHigh, wideSnapshot().validatedHigh);
}

TEST(WideSectorLog, AMarkerWithoutItsWholeHalvesIsRefused) {
    std::string shortField = wideCaption("Standard Search");
    shortField.pop_back();
    EXPECT_FALSE(ParseRecoveryLog(wideBytes(shortField)).snapshot);
    EXPECT_FALSE(ParseRecoveryLog(wideBytes(wideCaption("Standard Search") + "x")).snapshot);
    EXPECT_FALSE(ParseRecoveryLog(wideBytes(std::string(kWideMarker))).snapshot);
}

TEST(WideSectorLog, AVolumeBeyondTwoToTheThirtySecondSectorComesBackWhole) {
    volume::VolumeParams validated;
    validated.fileSystemName = "NTFS";
    validated.partitionStart = kHigh + 2048;
    validated.partitionEnd = kHigh + 411647;
    validated.cluster0Start = kHigh + 2048;
    validated.mftStart = kHigh + 2048 + 32768;
    validated.mftMirrorStart = kHigh + 2048 + 16;
    validated.firstFat = 7; // a narrow value beside them stays as it is
    validated.sectorsPerCluster = 8;
    fat::ActiveGeometry working;
    working.fileSystemName = "NTFS";
    model::RecordTables tables;
    const RecoveryLogSnapshot log = TakeLogSnapshot({}, validated, working, {}, tables.fileTable);
    const LogParseResult back = ParseRecoveryLog(EncodeRecoveryLog(log));
    ASSERT_TRUE(back.snapshot) << back.problem;
    volume::VolumeParams restored;
    fat::ActiveGeometry restoredWorking;
    RestoreVolumeFromLog(*back.snapshot, restored, restoredWorking);
    EXPECT_EQ(restored.partitionStart, validated.partitionStart);
    EXPECT_EQ(restored.cluster0Start, validated.cluster0Start);
    EXPECT_EQ(restored.mftStart, validated.mftStart);
    EXPECT_EQ(restored.mftMirrorStart, validated.mftMirrorStart);
    EXPECT_EQ(restored.firstFat, 7u);
    EXPECT_EQ(restored.secondFat, 0u);
}

} // namespace
} // namespace qr::output
