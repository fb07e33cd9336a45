// The detector's geometry record, written and read back, and damaged on purpose.
#include "disk/GeometryResultFile.h"

#include <gtest/gtest.h>

using namespace qr::disk;

namespace {
GeometryRecord readBack(const std::vector<unsigned char>& bytes) {
    return ReadGeometryRecord(ByteView(bytes.data(), bytes.size()));
}
} // namespace

TEST(GeometryRecord, TheClassicGeometryAndItsSize) {
    const auto bytes = EncodeGeometryRecord(255, 63, 1024);
    // Heads at 2, sectors per track at 9, cylinder width at 14 and value at 16.
    ASSERT_EQ(bytes.size(), 18u);
    EXPECT_EQ(bytes[0], 2);
    EXPECT_EQ(bytes[2], 255);
    EXPECT_EQ(bytes[7], 2);
    EXPECT_EQ(bytes[9], 63);
    EXPECT_EQ(bytes[14], 2);
    EXPECT_EQ(bytes[16] | bytes[17] << 8, 1024);
    const GeometryRecord g = readBack(bytes);
    EXPECT_TRUE(g.complete);
    EXPECT_EQ(g.heads, 255u);
    EXPECT_EQ(g.sectorsPerTrack, 63u);
    EXPECT_EQ(g.cylinders, 1024u);
    EXPECT_EQ(g.sizeBytes(), 8422686720u);
    EXPECT_EQ(g.sizeBytes() / 1048576, 8032u);
}

TEST(GeometryRecord, WideCylinderCountsStayWhole) {
    const auto bytes = EncodeGeometryRecord(16, 63, 70000);
    EXPECT_EQ(bytes[14], 4);
    EXPECT_EQ(readBack(bytes).cylinders, 70000u);
    // Heads given 4 bytes wide count by their low 16 bits.
    std::vector<unsigned char> wide = {4, 0,  0x10, 0, 1, 0, 0, 0, 0,    2,
                                       0, 63, 0,    0, 0, 0, 2, 0, 0x10, 0};
    const GeometryRecord g = readBack(wide);
    EXPECT_EQ(g.heads, 16u);
    EXPECT_EQ(g.sectorsPerTrack, 63u);
    EXPECT_EQ(g.cylinders, 16u);
}

TEST(GeometryRecord, ASizeBeyondSixtyFourBitsIsUnknownNotWrapped) {
    // 0xFF11F170 cylinders of 16528 heads and 8255 sectors: about 2^70 bytes.
    GeometryRecord g = readBack(EncodeGeometryRecord(16528, 8255, 0xFF11F170));
    EXPECT_TRUE(g.complete);
    EXPECT_EQ(g.cylinders, 0xFF11F170u);
    EXPECT_EQ(g.sizeBytes(), 0u);
    // The largest size that fits is kept whole.
    g = readBack(EncodeGeometryRecord(0xFFFF, 0xFFFF, 0xFFFF));
    EXPECT_EQ(g.sizeBytes(), 0xFFFFull * 0xFFFF * 0xFFFF * 512);
    g = readBack(EncodeGeometryRecord(0xFFFF, 0xFFFF, 0xFFFFFFFF));
    EXPECT_EQ(g.sizeBytes(), 0u);
}

TEST(GeometryRecord, AnOddCylinderWidthLeavesTheCylindersUnknown) {
    for (unsigned char width : {0, 1, 3, 5, 8, 255}) {
        auto bytes = EncodeGeometryRecord(255, 63, 1024);
        bytes[14] = width;
        bytes.resize(40, 0x77);
        const GeometryRecord g = readBack(bytes);
        EXPECT_EQ(g.cylinders, 0u) << int(width);
        EXPECT_EQ(g.heads, 255u);
        EXPECT_EQ(g.sizeBytes(), 0u);
        EXPECT_FALSE(g.complete);
    }
}

TEST(GeometryRecord, WidthsAboveFourAndShortFilesGiveUnknownValues) {
    auto bytes = EncodeGeometryRecord(255, 63, 1024);
    bytes[0] = 200; // where the next fields lie is then unknown
    GeometryRecord g = readBack(bytes);
    EXPECT_EQ(g.heads, 0u);
    EXPECT_EQ(g.cylinders, 0u);
    bytes = EncodeGeometryRecord(255, 63, 1024);
    bytes[7] = 9;
    g = readBack(bytes);
    EXPECT_EQ(g.heads, 255u);
    EXPECT_EQ(g.sectorsPerTrack, 0u);
    EXPECT_EQ(g.cylinders, 0u);

    // Cut at every length: never more than the bytes tell.
    const auto whole = EncodeGeometryRecord(255, 63, 1024);
    for (std::size_t n = 0; n < whole.size(); ++n) {
        const GeometryRecord cut = readBack({whole.begin(), whole.begin() + n});
        EXPECT_FALSE(cut.complete) << n;
        EXPECT_EQ(cut.sizeBytes(), 0u) << n;
    }
}
