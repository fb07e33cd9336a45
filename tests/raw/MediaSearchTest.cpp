// Pictures and videos made with real tools, found in pseudo-random filler at
// cluster-aligned offsets and written byte for byte with their kind; filler alone, and
// a file cut by the end of the range, give nothing.
#include "raw/MediaSearch.h"
#include "RawSearchRun.h"
#include "RawTestMedia.h"
#include "support/MemorySource.h"

#include <gtest/gtest.h>

namespace qr::raw {
namespace {

using test::randomSectors;

constexpr std::uint64_t kCluster = 8; // sectors

RawKindSet mediaKinds() {
    RawKindSet kinds{};
    for (std::size_t k = kDocumentKinds; k < kRawKinds; ++k)
        kinds[k] = true;
    return kinds;
}

struct Placed {
    const test::SampleMedia* media;
    std::uint64_t sector;
};

// Each sample on a cluster boundary; gaps of filler between some, the others back to
// back (the slack of the last cluster is filler too).
std::vector<unsigned char> imageOfMedia(std::vector<Placed>& placed) {
    std::vector<unsigned char> image = randomSectors(64, 3);
    unsigned seed = 100;
    for (const auto& m : test::sampleMedia()) {
        if (seed % 2 == 0) {
            const auto gap = randomSectors(kCluster * (1 + seed % 5), seed);
            image.insert(image.end(), gap.begin(), gap.end());
        }
        ++seed;
        placed.push_back({&m, image.size() / 512});
        image.insert(image.end(), m.bytes.begin(), m.bytes.end());
        const std::size_t clusterBytes = kCluster * 512;
        const std::size_t padded = (image.size() + clusterBytes - 1) / clusterBytes * clusterBytes;
        const auto slack = randomSectors(kCluster, seed + 7);
        image.insert(image.end(), slack.begin(),
                     slack.begin() + static_cast<std::ptrdiff_t>(padded - image.size()));
    }
    const auto tail = randomSectors(1200, 9);
    image.insert(image.end(), tail.begin(), tail.end());
    return image;
}

class MediaImage : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::sampleMedia().empty())
            GTEST_SKIP() << "ffmpeg, cjpeg, exiftool or python3 is not installed";
    }
};

TEST_F(MediaImage, EveryPictureAndVideoIsWrittenWholeWithItsKind) {
    std::vector<Placed> placed;
    test::MemorySource source(imageOfMedia(placed));
    RawSearchOptions options;
    options.kinds = mediaKinds();
    const auto run = search(source, options);
    EXPECT_EQ(run->result.end, RawSearchEnd::Finished);
    ASSERT_EQ(run->events.written.size(), placed.size());
    RawCounts expected{};
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const CarvedFile& file = run->events.written[i];
        SCOPED_TRACE(placed[i].media->name);
        EXPECT_EQ(InfoOf(file.kind).option, placed[i].media->kind);
        EXPECT_EQ(file.startSector, placed[i].sector);
        EXPECT_EQ(file.name, std::string(InfoOf(file.kind).prefix) + std::to_string(i + 1) +
                                 placed[i].media->extension);
        EXPECT_TRUE(run->output.files[file.name] == placed[i].media->bytes)
            << run->output.files[file.name].size() << " bytes written of "
            << placed[i].media->bytes.size();
        ++expected[static_cast<std::size_t>(file.kind)];
    }
    EXPECT_EQ(run->result.counts, expected);
}

TEST_F(MediaImage, OnlyTheTickedKindsAreWrittenAndDocumentsKeepTheirNumbers) {
    std::vector<Placed> placed;
    test::MemorySource source(imageOfMedia(placed));
    RawSearchOptions options;
    options.kinds = {};
    options.kinds[static_cast<std::size_t>(RawKind::Png)] = true;
    options.kinds[static_cast<std::size_t>(RawKind::Avi)] = true;
    const auto run = search(source, options);
    ASSERT_EQ(run->events.written.size(), 2u);
    EXPECT_EQ(run->events.written[0].name, "PNG1.PNG");
    EXPECT_EQ(run->events.written[1].name, "AVI2.AVI");
    // No document was asked for: the documents' numbers were not touched.
    EXPECT_EQ(run->result.fileNumber, 0u);
}

TEST_F(MediaImage, AFileCutByTheEndOfTheRangeIsNotWritten) {
    std::vector<Placed> placed;
    test::MemorySource source(imageOfMedia(placed));
    for (const Placed& p : placed) {
        SCOPED_TRACE(p.media->name);
        RawSearchOptions options;
        options.kinds = mediaKinds();
        options.first = p.sector;
        // The range ends one sector before the file's last sector.
        options.end = p.sector + (p.media->bytes.size() + 511) / 512 - 1;
        const auto run = search(source, options);
        for (const CarvedFile& f : run->events.written)
            EXPECT_NE(f.startSector, p.sector) << f.name;
    }
}

TEST(MediaFiller, RandomFillerGivesNoOutput) {
    for (unsigned seed : {1u, 2u, 3u}) {
        test::MemorySource source(randomSectors(40000, seed));
        RawSearchOptions options;
        options.kinds = mediaKinds();
        const auto run = search(source, options);
        EXPECT_TRUE(run->events.written.empty()) << run->events.written.front().name;
    }
}

// A picture inside a video that was written is not started again; once a file is
// broken, the search looks again from the sector behind its header.
TEST_F(MediaImage, HeadersInsideAWrittenFileAreNotTakenUpAgain) {
    const test::SampleMedia* png = nullptr;
    const test::SampleMedia* jpeg = nullptr;
    for (const auto& m : test::sampleMedia()) {
        if (m.kind == "png")
            png = &m;
        if (m.name == "progressive.jpg")
            jpeg = &m;
    }
    ASSERT_TRUE(png && jpeg);
    // A PNG with the JPEG in one of its chunks, at a sector boundary of the medium.
    std::vector<unsigned char> inner(png->bytes.begin(), png->bytes.end() - 12);
    const std::size_t chunkAt = inner.size();
    const std::size_t dataAt = (chunkAt + 8 + 511) / 512 * 512;
    const std::uint32_t length =
        static_cast<std::uint32_t>(dataAt - chunkAt - 8 + jpeg->bytes.size());
    const unsigned char head[8] = {static_cast<unsigned char>(length >> 24),
                                   static_cast<unsigned char>(length >> 16),
                                   static_cast<unsigned char>(length >> 8),
                                   static_cast<unsigned char>(length),
                                   'j',
                                   'p',
                                   'G',
                                   'x'};
    inner.insert(inner.end(), head, head + 8);
    inner.resize(dataAt, 0);
    inner.insert(inner.end(), jpeg->bytes.begin(), jpeg->bytes.end());
    inner.insert(inner.end(), 4, 0); // CRC, not checked for such chunks
    inner.insert(inner.end(), png->bytes.end() - 12, png->bytes.end());

    std::vector<unsigned char> image = randomSectors(16, 4);
    image.insert(image.end(), inner.begin(), inner.end());
    image.resize((image.size() + 511) / 512 * 512, 0);
    const auto tail = randomSectors(64, 5);
    image.insert(image.end(), tail.begin(), tail.end());
    test::MemorySource source(image);
    RawSearchOptions options;
    options.kinds = mediaKinds();
    auto run = search(source, options);
    ASSERT_EQ(run->events.written.size(), 1u);
    EXPECT_TRUE(run->output.files["PNG1.PNG"] == inner);

    // Break the PNG's end: the JPEG inside it is found on its own.
    image[16 * 512 + inner.size() - 5] ^= 0xFF;
    test::MemorySource broken(image);
    run = search(broken, options);
    ASSERT_EQ(run->events.written.size(), 1u);
    EXPECT_TRUE(run->output.files["JPG1.JPG"] == jpeg->bytes);
}

} // namespace
} // namespace qr::raw
