// Videos made by ffmpeg (H.264 with and without AAC sound, the movie box behind the
// media data or before it, MPEG-4 Visual, HEVC) written in two fragments with other
// files' clusters between them, on FAT32 cards made by mkfs.fat and mtools and laid out
// directly: the raw search writes each byte-exact and counts it as reassembled. Sample
// tables that do not add up are refused, and a video whose rest is gone gives no file.
#include "raw/Mp4Reassembly.h"
#include "RawSearchRun.h"
#include "RawTestMedia.h"
#include "raw/Mp4SampleCheck.h"
#include "raw/Mp4SampleTable.h"
#include "support/FatImages.h"
#include "support/MemoryReader.h"
#include "support/MemorySource.h"
#include "support/SampleFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qr::raw {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes be32(std::uint32_t v) {
    return {static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
            static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
}

Bytes box(const char* type, const Bytes& payload) {
    Bytes out = be32(static_cast<std::uint32_t>(payload.size() + 8));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

// A full box of version 0 holding 32-bit fields.
Bytes words(const char* type, std::initializer_list<std::uint32_t> fields) {
    Bytes payload = be32(0);
    for (const std::uint32_t f : fields) {
        const Bytes w = be32(f);
        payload.insert(payload.end(), w.begin(), w.end());
    }
    return box(type, payload);
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes trak(const Bytes& stbl) {
    return box("trak", box("mdia", box("minf", box("stbl", stbl))));
}

// The payload of the file's top-level box `type`, and where that box starts.
std::pair<Bytes, std::size_t> topBox(const Bytes& file, const char* type) {
    for (std::size_t at = 0; at + 8 <= file.size();) {
        const std::size_t size = Be32(file.data() + at);
        if (size < 8)
            break;
        if (std::memcmp(file.data() + at + 4, type, 4) == 0)
            return {Bytes(file.begin() + std::ptrdiff_t(at) + 8,
                          file.begin() + std::ptrdiff_t(std::min(file.size(), at + size))),
                    at};
        at += size;
    }
    return {{}, 0};
}

const std::vector<test::SampleMedia>& videos() {
    static const std::vector<test::SampleMedia> made = [] {
        std::vector<test::SampleMedia> only;
        for (const test::SampleMedia& m : test::sampleVideos())
            if (m.kind == "mp4")
                only.push_back(m);
        return only;
    }();
    return made;
}

std::string photo() {
    for (const test::SampleMedia& m : test::sampleVideos())
        if (m.kind == "jpg")
            return std::string(m.bytes.begin(), m.bytes.end());
    return std::string(40000, 'p');
}

RawSearchOptions videosOnly() {
    RawSearchOptions options;
    options.kinds = {};
    options.kinds[static_cast<std::size_t>(RawKind::Mp4)] = true;
    return options;
}

// The search writes `video` byte-exact from two fragments; whatever else it writes is
// another of the videos, whole.
void expectReassembled(disk::SectorSource& source, const test::SampleMedia& video) {
    const auto run = search(source, videosOnly());
    EXPECT_EQ(run->result.reassembled, 1u);
    bool found = false;
    for (const CarvedFile& file : run->events.written) {
        const Bytes& written = run->output.files[file.name];
        if (!file.reassembled) {
            EXPECT_TRUE(std::any_of(videos().begin(), videos().end(),
                                    [&](const test::SampleMedia& v) { return v.bytes == written; }))
                << file.name;
            continue;
        }
        found = true;
        EXPECT_TRUE(written == video.bytes) << file.name;
        EXPECT_NE(file.name.find(video.extension), std::string::npos) << file.name;
    }
    EXPECT_TRUE(found);
}

TEST(Mp4SampleTables, MadeVideosChunksCoverTheirMediaDataAndHoldOnlyInPlace) {
    if (videos().empty())
        GTEST_SKIP() << "ffmpeg is not installed";
    for (const test::SampleMedia& video : videos()) {
        SCOPED_TRACE(video.name);
        const Bytes& bytes = video.bytes;
        const Bytes moov = topBox(bytes, "moov").first;
        const auto tables = ReadMp4SampleTables(moov.data(), moov.size(), bytes.size());
        ASSERT_TRUE(tables);
        std::uint64_t chunked = 0;
        const FileBytesReader read = test::ReaderOf(bytes.data(), bytes.size());
        const FileBytesReader shifted = [&](std::uint64_t offset, std::uint32_t length,
                                            unsigned char* out) {
            return read(offset + 512, length, out);
        };
        std::size_t deciding = 0, misplacedHolds = 0;
        for (const Mp4Chunk& chunk : tables->chunks) {
            const Mp4Track& track = tables->tracks[chunk.track];
            std::uint64_t steps = 1u << 20;
            EXPECT_TRUE(ChunkHolds(track, chunk, read, steps)) << chunk.offset;
            chunked += chunk.bytes;
            if (DecidesPlacement(track)) {
                ++deciding;
                misplacedHolds += ChunkHolds(track, chunk, shifted, steps) ? 1 : 0;
            }
        }
        // ffmpeg leaves no byte of the media data outside a chunk.
        EXPECT_EQ(chunked, topBox(bytes, "mdat").first.size());
        EXPECT_GT(deciding, 0u);
        EXPECT_EQ(misplacedHolds, 0u);
    }
}

TEST(Mp4SampleTables, TablesThatDoNotAddUpAreRefused) {
    const Bytes avcC = box("avcC", {1, 0x64, 0, 0x1F, 0xFF, 0xE0, 0});
    const Bytes stsd = join({be32(0), be32(1), box("avc1", join({Bytes(78, 0), avcC}))});
    const auto movie = [&](const Bytes& stsz, const Bytes& stsc, const Bytes& stco) {
        return trak(join({box("stsd", stsd), stsz, stsc, stco}));
    };
    const Bytes sizes = words("stsz", {0, 3, 100, 200, 300});
    const Bytes runs = words("stsc", {2, 1, 2, 1, 2, 1, 1});
    const Bytes offsets = words("stco", {2, 1000, 2000});
    const Bytes good = movie(sizes, runs, offsets);
    const auto tables = ReadMp4SampleTables(good.data(), good.size(), 4000);
    ASSERT_TRUE(tables);
    ASSERT_EQ(tables->chunks.size(), 2u);
    EXPECT_EQ(tables->tracks[0].codec, Mp4Codec::Avc);
    EXPECT_EQ(tables->chunks[0].bytes, 300u);
    EXPECT_EQ(tables->chunks[1].offset, 2000u);
    EXPECT_EQ(tables->chunks[1].bytes, 300u);
    EXPECT_EQ(tables->chunks[1].firstSample, 2u);
    // A second track whose chunk lies at the same place overlaps the first.
    const Bytes twice = join({good, good});
    EXPECT_FALSE(ReadMp4SampleTables(twice.data(), twice.size(), 4000));

    struct Case {
        const char* what;
        Bytes moov;
        std::uint64_t fileBytes = 4000;
    };
    Bytes absurd = good;
    absurd[3] = 0xF0; // the track claims more than the movie holds
    const std::vector<Case> cases = {
        {"sizes counted beyond their box",
         movie(words("stsz", {0, 9, 100, 200, 300}), runs, offsets)},
        {"offsets counted beyond their box", movie(sizes, runs, words("stco", {5, 1000, 2000}))},
        {"runs counted beyond their box", movie(sizes, words("stsc", {7, 1, 2, 1}), offsets)},
        {"a chunk behind the file", good, 2100},
        {"runs going back", movie(sizes, words("stsc", {2, 1, 2, 1, 1, 1, 1}), offsets)},
        {"runs not from chunk 1", movie(sizes, words("stsc", {1, 2, 3, 1}), offsets)},
        {"more samples than the chunks hold",
         movie(words("stsz", {0, 4, 1, 2, 3, 4}), runs, offsets)},
        {"fewer samples than the chunks take", movie(words("stsz", {0, 2, 1, 2}), runs, offsets)},
        {"a constant size for too many samples",
         movie(words("stsz", {7, 0xFFFFFFFF}), runs, offsets)},
        {"no sample sizes", trak(join({box("stsd", stsd), runs, offsets}))},
        {"a box larger than its parent", absurd},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(ReadMp4SampleTables(c.moov.data(), c.moov.size(), c.fileBytes));
    }
}

class Mp4Reassembly : public ::testing::Test {
protected:
    void SetUp() override {
        if (videos().empty())
            GTEST_SKIP() << "ffmpeg is not installed";
    }
};

TEST_F(Mp4Reassembly, VideosAroundOtherFilesOnAFat32CardAreWrittenByteExact) {
    if (!test::haveFatTools())
        GTEST_SKIP() << "mkfs.fat, sfdisk or mtools is missing";
    // Between the fragments: text, a photo, or another video (one of the first, whose
    // movie box lies behind its media data).
    const std::vector<std::string> fillers = {
        std::string(150000, 'x') + "filler text",
        photo(),
        std::string(videos().front().bytes.begin(), videos().front().bytes.end()),
    };
    for (std::size_t i = 0; i < videos().size(); ++i) {
        const test::SampleMedia& video = videos()[i];
        SCOPED_TRACE(video.name);
        test::TempDir dir;
        test::FatImage card(dir / "card.img", {});
        // A hole of a third to two thirds of the video, then a file the video's first
        // fragment runs into; the free-cluster hint is cleared so mtools fills the hole.
        const std::size_t hole = video.bytes.size() * (1 + i % 3) / 4;
        card.writeFile("::/HOLE.BIN", std::string(hole, 'h'));
        card.writeFile("::/FILLER.BIN", fillers[i == 0 ? 0 : i % fillers.size()]);
        card.del("::/HOLE.BIN");
        card.writeBytes(card.volumeStart() * 512 + 512 + 492, std::string(4, '\xFF'));
        const std::filesystem::path host = dir / video.name;
        test::WriteFileAt(host, std::string(video.bytes.begin(), video.bytes.end()));
        card.copyIn(host, "::/" + video.name);
        const auto clusters = card.clusters("::/" + video.name);
        ASSERT_FALSE(clusters.empty());
        std::size_t runs = 1;
        for (std::size_t c = 1; c < clusters.size(); ++c)
            runs += clusters[c] != clusters[c - 1] + 1 ? 1 : 0;
        ASSERT_EQ(runs, 2u);
        test::MemorySource source(test::readFile(card.path()));
        expectReassembled(source, video);
    }
}

TEST_F(Mp4Reassembly, BreaksAtTheFirstChunkOrBeforeTheMovieBoxAreFound) {
    for (const test::SampleMedia& video : videos()) {
        SCOPED_TRACE(video.name);
        const Bytes& bytes = video.bytes;
        const std::size_t moovAt = topBox(bytes, "moov").second;
        const std::size_t mdatAt = topBox(bytes, "mdat").second;
        // The rest starts with the sector holding the movie box's header when it comes
        // last, else with the first sector wholly behind it.
        const std::size_t cut = moovAt > mdatAt ? moovAt / 512 : (mdatAt + 511) / 512;
        Bytes image = test::randomSectors(8, 3);
        image.insert(image.end(), bytes.begin(), bytes.begin() + std::ptrdiff_t(cut * 512));
        image.resize(image.size() + 200 * 512, 0);
        image.insert(image.end(), bytes.begin() + std::ptrdiff_t(cut * 512), bytes.end());
        image.resize((image.size() + 511) / 512 * 512 + 16 * 512, 0);
        test::MemorySource source(image);
        expectReassembled(source, video);
    }
}

TEST_F(Mp4Reassembly, AVideoWhoseRestIsGoneGivesNoFile) {
    const Bytes& bytes = videos().front().bytes;
    Bytes image = test::randomSectors(8, 3);
    image.insert(image.end(), bytes.begin(),
                 bytes.begin() + std::ptrdiff_t(bytes.size() / 1024 * 512));
    const Bytes rest = test::randomSectors(5000, 12);
    image.insert(image.end(), rest.begin(), rest.end());
    test::MemorySource source(image);
    const auto run = search(source, videosOnly());
    EXPECT_TRUE(run->events.written.empty());
    EXPECT_EQ(run->result.reassembled, 0u);
    EXPECT_FALSE(ReassembleVideo(source, 8, 8, 1));
    EXPECT_FALSE(ReassembleVideo(source, 8, source.sectorCount(), 0));
}

} // namespace
} // namespace qr::raw
