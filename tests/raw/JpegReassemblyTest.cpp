// JPEGs made by cjpeg written in two fragments with other data between them: the
// decoder finds where the first fragment breaks, the continuation is found behind the
// gap, and the picture is written byte-exact and counted as reassembled. A picture
// whose continuation is gone gives no file at all.
#include "raw/JpegReassembly.h"
#include "RawSearchRun.h"
#include "RawTestMedia.h"
#include "raw/CodedDataMap.h"
#include "raw/JpegDecoder.h"
#include "support/MemoryReader.h"
#include "support/MemorySource.h"

#include <gtest/gtest.h>

namespace qr::raw {
namespace {

using Bytes = std::vector<unsigned char>;

const test::SampleMedia* sample(const std::string& name) {
    for (const auto& m : test::sampleMedia())
        if (m.name == name)
            return &m;
    return nullptr;
}

void append(Bytes& image, const Bytes& bytes) {
    image.insert(image.end(), bytes.begin(), bytes.end());
    image.resize((image.size() + 511) / 512 * 512, 0);
}

// `picture` split after `firstSectors` sectors, with `gap` between the two parts.
Bytes fragmented(const Bytes& picture, std::size_t firstSectors, const Bytes& gap) {
    Bytes image = test::randomSectors(8, 3);
    image.insert(image.end(), picture.begin(), picture.begin() + firstSectors * 512);
    append(image, gap);
    append(image, Bytes(picture.begin() + firstSectors * 512, picture.end()));
    image.resize(image.size() + 16 * 512, 0);
    return image;
}

RawSearchOptions jpegOnly() {
    RawSearchOptions options;
    options.kinds = {};
    options.kinds[static_cast<std::size_t>(RawKind::Jpeg)] = true;
    return options;
}

class JpegReassembly : public ::testing::Test {
protected:
    void SetUp() override {
        photo = sample("photo_exif.jpg");
        other = sample("plain_restart.jpg");
        if (!photo || !other)
            GTEST_SKIP() << "ffmpeg, cjpeg or exiftool is not installed";
    }
    const test::SampleMedia* photo = nullptr;
    const test::SampleMedia* other = nullptr;
};

TEST_F(JpegReassembly, ThePhotoDecodesWholeOnlyInOneRun) {
    const Bytes& bytes = photo->bytes;
    const FileBytesReader read = test::ReaderOf(bytes.data(), bytes.size());
    const JpegDecoding whole = DecodeJpeg(read, bytes.size(), {});
    ASSERT_TRUE(whole.opened);
    EXPECT_TRUE(whole.whole);
    EXPECT_EQ(whole.end, bytes.size());
    EXPECT_EQ(whole.rows, 900u);
    // Cut in the middle: the data runs out before the last row.
    const JpegDecoding cut = DecodeJpeg(read, bytes.size() / 2, {});
    EXPECT_FALSE(cut.whole);
    EXPECT_TRUE(cut.warned);
    EXPECT_GT(cut.goodRows, 100u);
    EXPECT_LT(cut.goodRows, 900u);
    EXPECT_LE(cut.brokenAt, bytes.size() / 2);
}

TEST_F(JpegReassembly, TwoFragmentsAroundOtherFilesAreWrittenByteExact) {
    const std::size_t sectors = photo->bytes.size() / 512;
    struct Case {
        const char* what;
        Bytes gap;
        std::size_t firstSectors;
    };
    Bytes otherFile = other->bytes;
    otherFile.resize((otherFile.size() + 511) / 512 * 512, 0);
    const std::vector<Case> cases = {
        {"random sectors", test::randomSectors(40, 9), sectors / 3},
        {"another photo", otherFile, sectors / 2},
        {"a cleared area", Bytes(300 * 512, 0), sectors * 3 / 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::MemorySource source(fragmented(photo->bytes, c.firstSectors, c.gap));
        const auto run = search(source, jpegOnly());
        bool found = false;
        for (const CarvedFile& f : run->events.written)
            if (f.reassembled) {
                found = true;
                EXPECT_TRUE(run->output.files[f.name] == photo->bytes) << f.name;
                EXPECT_EQ(f.startSector, 8u);
            } else {
                // Anything else written is the other photo, whole.
                EXPECT_TRUE(run->output.files[f.name] == other->bytes) << f.name;
            }
        EXPECT_TRUE(found);
        EXPECT_EQ(run->result.reassembled, 1u);
    }
}

TEST_F(JpegReassembly, AContinuationBehindDataWithoutMarkersIsFoundAtAClusterBoundary) {
    // Fragments 4 KiB apart from the picture's start; the other file's last sectors
    // hold nothing that coded data could not hold, so only the cluster tells the
    // continuation's place.
    const std::size_t firstSectors = photo->bytes.size() / 512 / 2 / 8 * 8;
    Bytes gap = test::randomSectors(37, 5);
    gap.resize(gap.size() + 3 * 512);
    for (std::size_t i = gap.size() - 3 * 512; i < gap.size(); ++i)
        gap[i] = static_cast<unsigned char>('a' + i % 19);
    test::MemorySource source(fragmented(photo->bytes, firstSectors, gap));
    const auto fragments = ReassembleJpeg(source, 8, source.sectorCount(), 1);
    ASSERT_TRUE(fragments);
    EXPECT_EQ(fragments->firstBytes, firstSectors * 512);
    EXPECT_EQ(fragments->secondSector, 8 + firstSectors + 40);
    EXPECT_EQ(fragments->firstBytes + fragments->secondBytes, photo->bytes.size());
}

TEST_F(JpegReassembly, AContinuationIsFoundOnEitherSideOfTheNearStretch) {
    // The gap is mapped near the first fragment first, then as far as it may reach: a
    // continuation just inside, at and behind the near stretch's end is found all the same.
    const std::size_t firstSectors = photo->bytes.size() / 512 / 2 / 8 * 8;
    const std::size_t near = kNearJpegGapBytes / 512;
    // Random data without an EOI, so that no sector of it may pass for the continuation.
    Bytes filler = test::randomSectors(near + 64, 13);
    for (std::size_t i = 0; i + 1 < filler.size(); ++i)
        if (filler[i] == 0xFF && filler[i + 1] == 0xD9)
            filler[i + 1] = 0xD8;
    for (const std::size_t gap : {near - 16, near - 8, near, near + 8, near + 16, near + 64}) {
        SCOPED_TRACE(gap);
        test::MemorySource source(fragmented(photo->bytes, firstSectors,
                                             Bytes(filler.begin(), filler.begin() + gap * 512)));
        const auto fragments = ReassembleJpeg(source, 8, source.sectorCount(), 1);
        ASSERT_TRUE(fragments);
        EXPECT_EQ(fragments->firstBytes, firstSectors * 512);
        EXPECT_EQ(fragments->secondSector, 8 + firstSectors + gap);
        EXPECT_EQ(fragments->firstBytes + fragments->secondBytes, photo->bytes.size());
    }
}

TEST_F(JpegReassembly, APictureWhoseRestIsGoneGivesNoFile) {
    const std::size_t sectors = photo->bytes.size() / 512;
    Bytes image = test::randomSectors(8, 3);
    image.insert(image.end(), photo->bytes.begin(), photo->bytes.begin() + sectors / 2 * 512);
    append(image, test::randomSectors(600, 11));
    test::MemorySource source(image);
    const auto run = search(source, jpegOnly());
    EXPECT_TRUE(run->events.written.empty());
    EXPECT_EQ(run->result.reassembled, 0u);
    // Without a search range behind it nothing is looked at.
    EXPECT_FALSE(ReassembleJpeg(source, 8, 8, 1));
    EXPECT_FALSE(ReassembleJpeg(source, 8, source.sectorCount(), 0));
}

TEST(CodedDataMap, CodedDataIsToldFromHeadersMarkersAndClearedSectors) {
    Bytes medium(20 * 512);
    const auto sector = [&](std::size_t n) { return medium.begin() + std::ptrdiff_t(n) * 512; };
    for (std::size_t i = 0; i < medium.size(); ++i)
        medium[i] = static_cast<unsigned char>('a' + i % 23);
    const unsigned char header[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0};
    std::copy(std::begin(header), std::end(header), sector(0));
    // A stuffed FF across a sector boundary, an EOI followed by another header, a
    // cleared sector, and a marker that no coded data holds.
    medium[2 * 512 + 511] = 0xFF;
    medium[3 * 512] = 0x00;
    const unsigned char end[] = {0xFF, 0xD9, 0xFF, 0xD8, 0xFF, 0xE1};
    std::copy(std::begin(end), std::end(end), sector(10) + 100);
    std::fill(sector(11), sector(12), 0);
    medium[15 * 512 + 7] = 0xFF;
    medium[15 * 512 + 8] = 0x12;
    test::MemorySource source(medium);
    const CodedDataMap map(source, 0, 20);
    EXPECT_FALSE(map.mayContinue(0)); // another file's header
    EXPECT_TRUE(map.mayContinue(1));
    EXPECT_TRUE(map.afterOtherData(1));
    EXPECT_TRUE(map.mayContinue(2));
    EXPECT_FALSE(map.afterOtherData(2));
    EXPECT_TRUE(map.mayContinue(3));   // its look reaches the EOI in sector 10
    EXPECT_FALSE(map.mayContinue(11)); // cleared
    EXPECT_TRUE(map.afterOtherData(12));
    EXPECT_FALSE(map.mayContinue(12)); // the marker in sector 15 lies within its look
    EXPECT_TRUE(map.mayContinue(16));
    // Outside the map nothing continues.
    EXPECT_FALSE(map.mayContinue(20));
    EXPECT_FALSE(CodedDataMap(source, 5, 5).mayContinue(5));
}

} // namespace
} // namespace qr::raw
