// The readers of the newer formats over hostile bytes in memory: sizes that run behind
// the range or overflow, sub-blocks and frames that never end, elements of unknown
// size, absurd offsets. Each gives no length, quickly; and the header tests pick the
// row a first byte may start.
#include "raw/BmpHeader.h"
#include "raw/EbmlElements.h"
#include "raw/GifBlocks.h"
#include "raw/IsoBoxes.h"
#include "raw/MediaFormats.h"
#include "raw/Mp3Frames.h"
#include "raw/RafHeader.h"
#include "raw/RiffChunks.h"
#include "raw/ZipKinds.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qr::raw {
namespace {

using Bytes = std::vector<unsigned char>;
using namespace std::string_view_literals;

FileBytesReader over(const Bytes& bytes) {
    return [&bytes](std::uint64_t offset, std::uint32_t length, unsigned char* out) {
        if (offset > bytes.size() || length > bytes.size() - offset)
            return false;
        std::memcpy(out, bytes.data() + offset, length);
        return true;
    };
}

std::optional<MediaLength> measure(LengthFinder reader, const Bytes& bytes) {
    return reader(over(bytes), bytes.size());
}

Bytes text(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

void putBe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

void putLe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
}

// GIF89a, 4x4, no colour table, then `body`.
Bytes gif(std::initializer_list<int> body) {
    Bytes b = text("GIF89a");
    for (int v : {4, 0, 4, 0, 0, 0, 0})
        b.push_back(static_cast<unsigned char>(v));
    for (int v : body)
        b.push_back(static_cast<unsigned char>(v));
    return b;
}

TEST(GifReader, EndsAtTheTrailerBehindAnImageAndNowhereElse) {
    const Bytes whole = gif({0x21, 0xF9, 4, 0, 0, 0, 0, 0,                      // an extension
                             0x2C, 0,    0, 0, 0, 4, 0, 4, 0, 0, 2, 2, 1, 2, 0, // an image
                             0x3B});
    Bytes behind = whole;
    behind.resize(behind.size() + 100, 0x3B);
    EXPECT_EQ(measure(GifLength, behind)->bytes, whole.size());
    EXPECT_FALSE(measure(GifLength, gif({0x3B}))) << "no image";
    EXPECT_FALSE(measure(GifLength, gif({0x2C, 0, 0, 0, 0, 4, 0, 4, 0, 0, 0, 2, 0, 0x3B})))
        << "an LZW code size of 0";
    // Sub-blocks of 255 bytes up to the end of the range: no trailer, no length.
    Bytes endless = gif({0x2C, 0, 0, 0, 0, 4, 0, 4, 0, 0, 2});
    endless.resize(endless.size() + (8u << 20), 0xFF);
    EXPECT_FALSE(measure(GifLength, endless));
    // A global colour table larger than the file.
    Bytes table = gif({0x3B});
    table[10] = 0x87;
    EXPECT_FALSE(measure(GifLength, table));
}

Bytes bmp(std::uint32_t width, std::uint32_t height, std::uint32_t fileSize) {
    Bytes b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    putLe32(b, 2, fileSize);
    putLe32(b, 10, 54);
    putLe32(b, 14, 40);
    putLe32(b, 18, width);
    putLe32(b, 22, height);
    b[26] = 1;
    b[28] = 24;
    b.resize(std::max<std::size_t>(fileSize, 54), 0x40);
    return b;
}

TEST(BmpReader, TheRecordedSizeWhenThePixelRowsFit) {
    EXPECT_EQ(measure(BmpLength, bmp(3, 2, 54 + 24))->bytes, 78u) << "rows padded to 12 bytes";
    EXPECT_FALSE(measure(BmpLength, bmp(3, 2, 54 + 20))) << "rows that do not fit";
    Bytes beyond = bmp(3, 2, 78);
    putLe32(beyond, 2, 0xFFFFFFF0);
    EXPECT_FALSE(measure(BmpLength, beyond));
    Bytes huge = bmp(0x7FFFFFFF, 0x7FFFFFFF, 200);
    EXPECT_FALSE(measure(BmpLength, huge)) << "a width and height whose product overflows";
}

Bytes raf(std::uint32_t jpegAt, std::uint32_t jpegLength, std::uint32_t cfaAt,
          std::uint32_t cfaLength) {
    Bytes b = text("FUJIFILMCCD-RAW 0201");
    b.resize(200, 0);
    putBe32(b, 84, jpegAt);
    putBe32(b, 88, jpegLength);
    putBe32(b, 92, 120);
    putBe32(b, 96, 8);
    putBe32(b, 100, cfaAt);
    putBe32(b, 104, cfaLength);
    return b;
}

TEST(RafReader, EndsBehindTheLastPartAndRefusesPartsBehindTheRange) {
    EXPECT_EQ(measure(RafLength, raf(128, 40, 150, 50))->bytes, 200u);
    EXPECT_FALSE(measure(RafLength, raf(128, 40, 150, 51)));
    EXPECT_FALSE(measure(RafLength, raf(0xFFFFFFFF, 0xFFFFFFFF, 150, 50)));
    EXPECT_FALSE(measure(RafLength, raf(128, 0, 150, 50))) << "no embedded JPEG";
}

// An EBML header of DocType `type`, then a Segment of the size bytes given.
Bytes matroska(std::string_view type, std::initializer_list<int> segmentSize) {
    Bytes b = {0x1A,
               0x45,
               0xDF,
               0xA3,
               static_cast<unsigned char>(0x80 | (3 + type.size())),
               0x42,
               0x82,
               static_cast<unsigned char>(0x80 | type.size())};
    b.insert(b.end(), type.begin(), type.end());
    for (int v : {0x18, 0x53, 0x80, 0x67})
        b.push_back(static_cast<unsigned char>(v));
    for (int v : segmentSize)
        b.push_back(static_cast<unsigned char>(v));
    return b;
}

TEST(MatroskaReader, SegmentSizesKnownAndUnknown) {
    Bytes known = matroska("webm", {0x84});
    const std::size_t whole = known.size() + 4;
    known.resize(whole + 50, 0);
    const auto length = measure(MatroskaLength, known);
    ASSERT_TRUE(length);
    EXPECT_EQ(length->bytes, whole);
    EXPECT_EQ(length->extension, ".WEBM");

    EXPECT_FALSE(measure(MatroskaLength, matroska("matroska", {0x01, 0, 0, 0, 0xFF, 0, 0, 0})))
        << "a Segment larger than the range";
    EXPECT_FALSE(measure(MatroskaLength, matroska("avi", {0x84})));

    // Unknown size: the children tell; a cluster of unknown size too leaves it unknown.
    Bytes stream = matroska("matroska", {0xFF});
    for (int v : {0x15, 0x49, 0xA9, 0x66, 0x82, 0, 0}) // Info of 2 bytes
        stream.push_back(static_cast<unsigned char>(v));
    const std::size_t end = stream.size();
    stream.resize(end + 64, 0);
    EXPECT_EQ(measure(MatroskaLength, stream)->bytes, end);
    Bytes unknown = matroska("matroska", {0xFF});
    for (int v : {0x1F, 0x43, 0xB6, 0x75, 0xFF})
        unknown.push_back(static_cast<unsigned char>(v));
    unknown.resize(unknown.size() + 64, 0);
    EXPECT_FALSE(measure(MatroskaLength, unknown));
}

// MPEG-1 layer III frames of 128 kbit/s at 44.1 kHz (417 bytes).
Bytes frames(unsigned count) {
    Bytes b;
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t at = b.size();
        b.resize(at + 417, static_cast<unsigned char>(i));
        b[at] = 0xFF;
        b[at + 1] = 0xFB;
        b[at + 2] = 0x90;
        b[at + 3] = 0x00;
    }
    return b;
}

TEST(Mp3Reader, FramesWalkedToTheirEndAndShortRunsRefused) {
    EXPECT_EQ(Mp3FrameBytes(0xFFFB9000), 417u);
    EXPECT_EQ(Mp3FrameBytes(0xFFFBF000), 0u) << "bit-rate index 15";
    Bytes run = frames(20);
    run.resize(run.size() + 300, 0);
    EXPECT_EQ(measure(Mp3Length, run)->bytes, 20u * 417);
    EXPECT_FALSE(measure(Mp3Length, frames(5))) << "too few frames without a tag";
    // An ID3v2 tag whose syncsafe size runs behind the range.
    Bytes tag = text("ID3\x03");
    tag.insert(tag.end(), {0, 0, 0x7F, 0x7F, 0x7F, 0x7F});
    const Bytes f = frames(4);
    tag.insert(tag.end(), f.begin(), f.end());
    EXPECT_FALSE(measure(Mp3Length, tag));
    // A last frame cut by the range.
    const Bytes cut(run.begin(), run.begin() + 417 * 12 - 100);
    EXPECT_FALSE(measure(Mp3Length, cut));
}

Bytes iso(std::string_view brand,
          std::initializer_list<std::pair<std::string_view, std::uint32_t>> boxes) {
    Bytes b(16, 0);
    putBe32(b, 0, 16);
    std::memcpy(b.data() + 4, "ftyp", 4);
    std::memcpy(b.data() + 8, brand.data(), 4);
    for (const auto& [type, size] : boxes) {
        const std::size_t at = b.size();
        b.resize(at + std::max<std::uint32_t>(size, 8), 0);
        putBe32(b, at, size);
        std::memcpy(b.data() + at + 4, type.data(), 4);
    }
    return b;
}

TEST(IsoBrands, HeifNeedsItsMetaAndTheBrandsTellSoundAndCanonRaw) {
    const Bytes heic = iso("heic", {{"meta", 40}, {"mdat", 100}});
    EXPECT_EQ(measure(HeifLength, heic)->bytes, heic.size());
    EXPECT_EQ(measure(HeifLength, heic)->extension, ".HEIC");
    EXPECT_EQ(measure(HeifLength, iso("mif1", {{"meta", 40}}))->extension, ".HEIF");
    EXPECT_FALSE(measure(HeifLength, iso("heic", {{"mdat", 100}}))) << "no meta";
    EXPECT_FALSE(measure(HeifLength, iso("heic", {{"meta", 0}}))) << "a box to the end";
    EXPECT_FALSE(measure(HeifLength, iso("isom", {{"meta", 40}})));
    const Bytes m4a = iso("M4A ", {{"moov", 40}});
    EXPECT_EQ(MediaFileLength(RawKind::M4a, over(m4a), m4a.size())->extension, ".M4A");
    EXPECT_FALSE(MediaFileLength(RawKind::Cr3, over(m4a), m4a.size()));
    const Bytes cr3 = iso("crx ", {{"moov", 40}, {"mdat", 60}});
    EXPECT_EQ(MediaFileLength(RawKind::Cr3, over(cr3), cr3.size())->bytes, cr3.size());
}

TEST(RiffForms, WebPAndWavByTheirLengths) {
    Bytes webp = text("RIFF\0\0\0\0WEBPVP8L"sv);
    putLe32(webp, 4, 21);
    webp.resize(8 + 22, 0);
    EXPECT_EQ(measure(WebPLength, webp)->bytes, 30u) << "padded to an even length";
    EXPECT_FALSE(measure(WavLength, webp));
    Bytes wav = text("RIFF\0\0\0\0WAVEfmt "sv);
    putLe32(wav, 4, 0xFFFFFFFF);
    wav.resize(64, 0);
    EXPECT_FALSE(measure(WavLength, wav));
}

TEST(ZipKindsOfArchives, AnArchiveWithoutItsPartsOrWithAnAbsurdDirectoryIsNone) {
    // An end record alone, naming a central directory larger than the archive.
    Bytes end = text("PK\x05\x06");
    end.resize(22, 0);
    putLe32(end, 12, 0x7FFFFFFF);
    EXPECT_FALSE(WordOpenXml(over(end), end.size()));
    EXPECT_FALSE(OpenDocumentText(over(end), end.size()));
}

TEST(HeaderRows, AFirstByteLeadsToItsRowsThenToTheRowsOfAnyByte) {
    const auto& rows = HeaderRows('R');
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[0], RawKind::Avi);
    EXPECT_NE(std::find(rows.begin(), rows.end(), RawKind::WebP), rows.end());
    EXPECT_NE(std::find(rows.begin(), rows.end(), RawKind::Mp4), rows.end());
    for (std::size_t k = 0; k < kRawKinds; ++k)
        EXPECT_EQ(std::find(HeaderRows('\0').begin(), HeaderRows('\0').end(),
                            static_cast<RawKind>(k)) != HeaderRows('\0').end(),
                  RawKindTable[k].header && RawKindTable[k].leads.empty())
            << RawKindTable[k].option;
}

} // namespace
} // namespace qr::raw
