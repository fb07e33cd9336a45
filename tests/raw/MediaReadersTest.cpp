// The picture and video readers over bytes in memory: exact lengths of well-formed
// files, and hostile values (sizes that overflow, offsets behind the range, directory
// loops, absurd marker lengths, files cut short) that must give no length and no hang.
#include "RawTestMedia.h"
#include "raw/IsoBoxes.h"
#include "raw/JpegSegments.h"
#include "raw/MediaFormats.h"
#include "raw/PngChunks.h"
#include "raw/RiffChunks.h"
#include "raw/TiffDirectories.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace qr::raw {
namespace {

using Bytes = std::vector<unsigned char>;

FileBytesReader over(const Bytes& bytes) {
    return [&bytes](std::uint64_t offset, std::uint32_t length, unsigned char* out) {
        if (offset > bytes.size() || length > bytes.size() - offset)
            return false;
        std::memcpy(out, bytes.data() + offset, length);
        return true;
    };
}

template <typename Reader> std::optional<MediaLength> measure(Reader reader, const Bytes& bytes) {
    return reader(over(bytes), bytes.size());
}

void append(Bytes& b, std::initializer_list<int> values) {
    for (int v : values)
        b.push_back(static_cast<unsigned char>(v));
}
void appendText(Bytes& b, std::string_view text) {
    b.insert(b.end(), text.begin(), text.end());
}
void be32(Bytes& b, std::uint32_t v) {
    append(b, {int(v >> 24), int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF)});
}
void le16(Bytes& b, std::uint16_t v) {
    append(b, {v & 0xFF, v >> 8});
}
void le32(Bytes& b, std::uint32_t v) {
    append(b, {int(v & 0xFF), int(v >> 8 & 0xFF), int(v >> 16 & 0xFF), int(v >> 24)});
}
void putLe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// --- JPEG ---------------------------------------------------------------------------

// SOI, an APP1 holding a whole thumbnail, DQT, SOF0, DHT, SOS, entropy data with
// stuffed bytes, a restart marker and fill bytes, then EOI.
Bytes jpeg(std::uint16_t appLength = 0) {
    Bytes b;
    append(b, {0xFF, 0xD8, 0xFF, 0xE1});
    Bytes thumb;
    appendText(thumb, "Exif");
    append(thumb, {0, 0, 0xFF, 0xD8, 0xFF, 0xDB, 0, 4, 1, 2, 0xFF, 0xD9});
    const auto length = appLength ? appLength : static_cast<std::uint16_t>(thumb.size() + 2);
    append(b, {length >> 8, length & 0xFF});
    b.insert(b.end(), thumb.begin(), thumb.end());
    append(b, {0xFF, 0xDB, 0, 5, 0, 1, 2}); // DQT
    append(b, {0xFF, 0xC0, 0, 4, 8, 0});    // SOF0
    append(b, {0xFF, 0xC4, 0, 4, 0x10, 0}); // DHT
    append(b, {0xFF, 0xDA, 0, 4, 1, 0});    // SOS
    append(b, {0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD3, 0x56, 0xFF, 0xFF, 0x00, 0x78});
    append(b, {0xFF, 0xD9}); // EOI
    return b;
}

TEST(JpegReader, EndsAtTheEoiBehindTheScanNotAtTheThumbnails) {
    Bytes b = jpeg();
    const std::size_t size = b.size();
    append(b, {0xFF, 0xD9, 0x11, 0x22}); // trailing bytes are not the picture's
    const auto length = measure(JpegLength, b);
    ASSERT_TRUE(length);
    EXPECT_EQ(length->bytes, size);
    EXPECT_EQ(length->extension, ".JPG");
}

const Bytes kSof = {0xFF, 0xC0};

TEST(JpegReader, BrokenSegmentsGiveNoLength) {
    EXPECT_FALSE(measure(JpegLength, jpeg(1))) << "a length below 2";
    EXPECT_FALSE(measure(JpegLength, jpeg(0xFFFF))) << "a length behind the end";
    Bytes noFrame = jpeg();
    const auto sof = std::search(noFrame.begin() + 4, noFrame.end(), kSof.begin(), kSof.end());
    ASSERT_NE(sof, noFrame.end());
    sof[1] = 0xFE; // SOF0 becomes a comment
    EXPECT_FALSE(measure(JpegLength, noFrame)) << "a scan without a frame";
    Bytes early = {0xFF, 0xD8, 0xFF, 0xDB, 0, 4, 1, 2, 0xFF, 0xD9};
    EXPECT_FALSE(measure(JpegLength, early)) << "EOI before any scan";
    // Another picture starts inside the scan data: this one is broken.
    Bytes next = jpeg();
    next.resize(next.size() - 2);
    append(next, {0xFF, 0xD8, 0xFF, 0xE0});
    EXPECT_FALSE(measure(JpegLength, next));
    // Cut anywhere: no EOI, no length.
    const Bytes whole = jpeg();
    for (std::size_t cut = 0; cut < whole.size(); ++cut)
        EXPECT_FALSE(measure(JpegLength, Bytes(whole.begin(), whole.begin() + cut))) << cut;
}

TEST(JpegReader, LongEntropyDataAcrossReadChunksAndRealPictures) {
    // The scan's data runs over several read chunks, with an FF at a chunk's end.
    Bytes b = jpeg();
    b.resize(b.size() - 2);
    Bytes data(200000, 0x5A);
    for (std::size_t i = 1000; i < data.size(); i += 65536 - 1)
        data[i] = 0xFF, data[i + 1] = 0x00;
    data[65535] = 0xFF;
    data[65536] = 0xD1; // a restart marker split over two chunks
    b.insert(b.end(), data.begin(), data.end());
    append(b, {0xFF, 0xD9});
    const auto length = measure(JpegLength, b);
    ASSERT_TRUE(length);
    EXPECT_EQ(length->bytes, b.size());

    // A picture cut by a cleared or erased area is not scanned to the size limit.
    for (const unsigned char fill : {0x00, 0xFF}) {
        Bytes cut = jpeg();
        cut.resize(cut.size() - 2);
        cut.resize(cut.size() + (8u << 20), fill);
        append(cut, {0xFF, 0xD9});
        std::uint64_t read = 0;
        const FileBytesReader counting = [&](std::uint64_t offset, std::uint32_t length,
                                             unsigned char* out) {
            read += length;
            return over(cut)(offset, length, out);
        };
        EXPECT_FALSE(JpegLength(counting, cut.size())) << int(fill);
        EXPECT_LT(read, 1u << 20) << int(fill);
    }

    for (const auto& m : test::sampleMedia())
        if (m.kind == "jpg") {
            SCOPED_TRACE(m.name);
            const auto real = measure(JpegLength, m.bytes);
            ASSERT_TRUE(real);
            EXPECT_EQ(real->bytes, m.bytes.size());
            const Bytes cut(m.bytes.begin(), m.bytes.end() - 1);
            EXPECT_FALSE(measure(JpegLength, cut));
        }
}

// --- PNG ----------------------------------------------------------------------------

void chunk(Bytes& b, std::string_view type, const Bytes& data) {
    be32(b, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type.begin(), type.end());
    typed.insert(typed.end(), data.begin(), data.end());
    b.insert(b.end(), typed.begin(), typed.end());
    be32(b, PngCrc(typed.data(), typed.size()));
}

Bytes png() {
    Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    chunk(b, "IHDR", {0, 0, 0, 4, 0, 0, 0, 4, 8, 2, 0, 0, 0});
    chunk(b, "IDAT", Bytes(100, 7));
    chunk(b, "IEND", {});
    return b;
}

TEST(PngReader, ChunksUpToIend) {
    Bytes b = png();
    const std::size_t size = b.size();
    append(b, {1, 2, 3});
    const auto length = measure(PngLength, b);
    ASSERT_TRUE(length);
    EXPECT_EQ(length->bytes, size);
}

TEST(PngReader, HostileChunksGiveNoLength) {
    Bytes badCrc = png();
    badCrc[29] ^= 1;
    EXPECT_FALSE(measure(PngLength, badCrc));
    Bytes huge = png();
    huge[33] = 0xFF; // IDAT's length becomes 0xFF000064
    EXPECT_FALSE(measure(PngLength, huge));
    Bytes behind = png();
    behind[34] = 0x7F; // within range of a u32, behind the end
    EXPECT_FALSE(measure(PngLength, behind));
    Bytes notLetters = png();
    notLetters[37] = '1';
    EXPECT_FALSE(measure(PngLength, notLetters));
    const Bytes whole = png();
    EXPECT_FALSE(measure(PngLength, Bytes(whole.begin(), whole.end() - 1)));
}

// --- TIFF ---------------------------------------------------------------------------

struct TiffEntry {
    std::uint16_t tag, type;
    std::uint32_t count, value;
};

// A little-endian TIFF: one directory at 8 with the given entries and next pointer,
// 300 bytes in all.
Bytes tiff(const std::vector<TiffEntry>& entries, std::uint32_t next = 0) {
    Bytes b;
    appendText(b, "II*");
    append(b, {0});
    le32(b, 8);
    le16(b, static_cast<std::uint16_t>(entries.size()));
    for (const TiffEntry& e : entries) {
        le16(b, e.tag);
        le16(b, e.type);
        le32(b, e.count);
        le32(b, e.value);
    }
    le32(b, next);
    b.resize(300, 0xAB);
    return b;
}

const std::vector<TiffEntry> kStrip = {{256, 3, 1, 4}, {273, 4, 1, 100}, {279, 4, 1, 50}};

// Panasonic and Olympus raw files: TIFF directories behind magic numbers of their own;
// raw data without a byte count has no end to give.
TEST(TiffReader, Rw2AndOrfMagicNumbersAndUnsizedRawData) {
    Bytes rw2 = tiff(kStrip);
    rw2[2] = 'U';
    EXPECT_FALSE(measure(TiffLength, rw2));
    EXPECT_EQ(measure(Rw2Length, rw2)->bytes, 150u);
    EXPECT_EQ(measure(Rw2Length, rw2)->extension, ".RW2");
    Bytes orf = tiff(kStrip);
    orf[2] = 'R', orf[3] = 'O';
    EXPECT_EQ(measure(OrfLength, orf)->extension, ".ORF");
    EXPECT_FALSE(measure(Rw2Length, orf));
    Bytes unsized = tiff({{256, 3, 1, 4}, {273, 4, 1, 100}, {279, 4, 1, 0}});
    unsized[2] = 'U';
    EXPECT_FALSE(measure(Rw2Length, unsized));
}

TEST(TiffReader, EndsWithTheLastByteADirectoryNames) {
    auto length = measure(TiffLength, tiff(kStrip));
    ASSERT_TRUE(length);
    EXPECT_EQ(length->bytes, 150u);
    EXPECT_EQ(length->extension, ".TIF");

    // A second directory behind the strip ends the file with its own table.
    Bytes two = tiff(kStrip, 200);
    two[200] = 1, two[201] = 0; // one entry
    std::memcpy(two.data() + 202, "\x00\x01\x03\x00\x01\x00\x00\x00\x04\x00\x00\x00", 12);
    putLe32(two, 214, 0);
    length = measure(TiffLength, two);
    ASSERT_TRUE(length);
    EXPECT_EQ(length->bytes, 218u);

    // Strips listed out of line: the array and the highest strip count.
    Bytes strips = tiff({{256, 3, 1, 4}, {273, 4, 2, 100}, {279, 4, 2, 108}});
    putLe32(strips, 100, 120), putLe32(strips, 104, 260); // offsets
    putLe32(strips, 108, 10), putLe32(strips, 112, 30);   // counts
    length = measure(TiffLength, strips);
    ASSERT_TRUE(length);
    EXPECT_EQ(length->bytes, 290u);
}

TEST(TiffReader, DirectoryLoopsEnd) {
    // The directory names itself as the next one, and a sub-directory names it too.
    auto length = measure(TiffLength, tiff(kStrip, 8));
    ASSERT_TRUE(length);
    EXPECT_EQ(length->bytes, 150u);
    std::vector<TiffEntry> sub = kStrip;
    sub.push_back({330, 4, 1, 8});
    sub.push_back({34665, 4, 1, 8});
    length = measure(TiffLength, tiff(sub, 8));
    ASSERT_TRUE(length);
}

TEST(TiffReader, HostileDirectoriesGiveNoLength) {
    const std::vector<std::vector<TiffEntry>> cases = {
        {{273, 4, 1, 100}, {279, 4, 1, 0xFFFFFFFF}}, // strip behind the end, no overflow
        {{273, 4, 1, 0xFFFFFFFF}, {279, 4, 1, 0xFFFFFFFF}},
        {{273, 4, 0x40000000, 100}, {279, 4, 0x40000000, 100}},      // 4 GiB of offsets
        {{256, 99, 1, 0}, {273, 4, 1, 100}, {279, 4, 1, 5}},         // unknown type
        {{256, 3, 1, 4}},                                            // no image data
        {{273, 4, 1, 100}, {279, 4, 1, 5}, {330, 4, 1, 0x7FFFFFF0}}, // sub-directory behind
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_FALSE(measure(TiffLength, tiff(cases[i]))) << i;
    Bytes noEntries = tiff(kStrip);
    noEntries[8] = 0;
    EXPECT_FALSE(measure(TiffLength, noEntries));
    Bytes manyEntries = tiff(kStrip);
    manyEntries[8] = 0xFF, manyEntries[9] = 0xFF;
    EXPECT_FALSE(measure(TiffLength, manyEntries));
    EXPECT_FALSE(measure(TiffLength, tiff(kStrip, 0x7FFFFFF0))) << "next directory behind";
}

TEST(TiffReader, KindsByTheirMarks) {
    Bytes canon = tiff(kStrip);
    // CR2 keeps "CR" 2 behind the header: the directory moves to 16.
    Bytes moved(canon.begin(), canon.begin() + 8);
    appendText(moved, "CR");
    append(moved, {2, 0, 0, 0, 0, 0});
    moved.insert(moved.end(), canon.begin() + 8, canon.end());
    putLe32(moved, 4, 16);
    putLe32(moved, 16 + 2 + 12 + 8, 108); // the strip moves with it
    auto length = measure(TiffLength, moved);
    ASSERT_TRUE(length);
    EXPECT_EQ(length->extension, ".CR2");

    std::vector<TiffEntry> nikon = kStrip;
    nikon.insert(nikon.begin() + 1, {271, 2, 6, 200});
    Bytes nef = tiff(nikon);
    std::memcpy(nef.data() + 200, "NIKON", 6);
    length = measure(TiffLength, nef);
    ASSERT_TRUE(length);
    EXPECT_EQ(length->extension, ".NEF");
    EXPECT_EQ(length->bytes, 206u);

    for (const auto& m : test::sampleMedia())
        if (m.kind == "raw") {
            SCOPED_TRACE(m.name);
            const auto real = measure(TiffLength, m.bytes);
            ASSERT_TRUE(real);
            EXPECT_EQ(real->bytes, m.bytes.size());
            EXPECT_EQ(real->extension, m.extension);
            EXPECT_FALSE(measure(TiffLength, Bytes(m.bytes.begin(), m.bytes.end() - 1)));
        }
}

// --- MP4 ----------------------------------------------------------------------------

Bytes box(std::string_view type, std::size_t payload) {
    Bytes b;
    be32(b, static_cast<std::uint32_t>(payload + 8));
    appendText(b, type);
    b.resize(b.size() + payload, 0x33);
    return b;
}

Bytes mp4(std::string_view brand = "isom") {
    Bytes b;
    be32(b, 24);
    appendText(b, "ftyp");
    appendText(b, brand);
    be32(b, 0x200);
    appendText(b, "isommp41");
    for (const Bytes& part : {box("free", 0), box("mdat", 500), box("moov", 60)})
        b.insert(b.end(), part.begin(), part.end());
    return b;
}

TEST(Mp4Reader, TopLevelBoxesAndTheirKinds) {
    Bytes b = mp4();
    const std::size_t size = b.size();
    b.resize(b.size() + 64, 0xC7); // not a box
    auto length = measure(IsoVideoLength, b);
    ASSERT_TRUE(length);
    EXPECT_EQ(length->bytes, size);
    EXPECT_EQ(length->extension, ".MP4");
    EXPECT_EQ(measure(IsoVideoLength, mp4("qt  "))->extension, ".MOV");
    EXPECT_EQ(measure(IsoVideoLength, mp4("3gp5"))->extension, ".3GP");

    // A second video right behind the first is not part of it.
    Bytes two = mp4();
    const Bytes second = mp4();
    two.insert(two.end(), second.begin(), second.end());
    EXPECT_EQ(measure(IsoVideoLength, two)->bytes, size);

    // A 64-bit size.
    Bytes large = mp4();
    Bytes mdat;
    be32(mdat, 1);
    appendText(mdat, "mdat");
    be32(mdat, 0);
    be32(mdat, 16 + 40);
    mdat.resize(mdat.size() + 40, 1);
    large.insert(large.begin() + 24, mdat.begin(), mdat.end());
    EXPECT_EQ(measure(IsoVideoLength, large)->bytes, large.size());
}

TEST(Mp4Reader, HostileBoxesGiveNoLength) {
    Bytes noMovie = mp4();
    std::memcpy(noMovie.data() + noMovie.size() - 64, "skip", 4);
    EXPECT_FALSE(measure(IsoVideoLength, noMovie));
    Bytes restOfFile = mp4();
    std::memset(restOfFile.data() + 32, 0, 4); // mdat of size 0
    EXPECT_FALSE(measure(IsoVideoLength, restOfFile));
    Bytes behind = mp4();
    behind[32] = 0x7F;
    EXPECT_FALSE(measure(IsoVideoLength, behind));
    for (const std::uint32_t high : {0u, 0xFFFFFFFFu}) {
        Bytes huge = mp4();
        Bytes mdat;
        be32(mdat, 1);
        appendText(mdat, "mdat");
        be32(mdat, high);
        be32(mdat, high ? 0xFFFFFFF0u : 8u); // overflowing, or below the header
        huge.insert(huge.begin() + 24, mdat.begin(), mdat.end());
        EXPECT_FALSE(measure(IsoVideoLength, huge)) << high;
    }
    Bytes brand = mp4("is\x01m");
    EXPECT_FALSE(measure(IsoVideoLength, brand));
    const Bytes whole = mp4();
    EXPECT_FALSE(measure(IsoVideoLength, Bytes(whole.begin(), whole.end() - 1)));
}

// --- AVI ----------------------------------------------------------------------------

Bytes riff(std::string_view form, std::uint32_t length) {
    Bytes b;
    appendText(b, "RIFF");
    le32(b, length);
    appendText(b, form);
    appendText(b, "LIST");
    le32(b, 4);
    appendText(b, "hdrl");
    b.resize(8 + length + (length & 1), 0x44);
    return b;
}

TEST(AviReader, RiffLengthAndItsExtensions) {
    Bytes b = riff("AVI ", 201);
    EXPECT_EQ(measure(AviLength, b)->bytes, 210u) << "padded to an even length";
    const Bytes more = riff("AVIX", 100);
    b.insert(b.end(), more.begin(), more.end());
    b.resize(b.size() + 20, 0);
    EXPECT_EQ(measure(AviLength, b)->bytes, 318u);
    Bytes behind = riff("AVI ", 201);
    putLe32(behind, 4, 0xFFFFFFFF);
    EXPECT_FALSE(measure(AviLength, behind));
    Bytes cutExtension = riff("AVI ", 100);
    const Bytes big = riff("AVIX", 100);
    cutExtension.insert(cutExtension.end(), big.begin(), big.end() - 1);
    EXPECT_FALSE(measure(AviLength, cutExtension));
}

TEST(MediaHeaders, OnlyPlausibleHeadersAreCandidates) {
    Bytes sector(512, 0);
    const Bytes j = jpeg();
    std::copy(j.begin(), j.end(), sector.begin());
    EXPECT_EQ(MediaHeaderKind(sector.data(), sector.size()), RawKind::Jpeg);
    sector[3] = 0x02; // not a marker that opens a picture
    EXPECT_FALSE(MediaHeaderKind(sector.data(), sector.size()));
    const Bytes v = mp4();
    std::copy(v.begin(), v.begin() + 64, sector.begin());
    EXPECT_EQ(MediaHeaderKind(sector.data(), sector.size()), RawKind::Mp4);
    sector[3] = 25; // an ftyp size that is no whole number of brands
    EXPECT_FALSE(MediaHeaderKind(sector.data(), sector.size()));
    const Bytes t = tiff(kStrip);
    std::copy(t.begin(), t.begin() + 64, sector.begin());
    EXPECT_EQ(MediaHeaderKind(sector.data(), sector.size()), RawKind::CameraRaw);
    sector[4] = 7; // an odd first-directory offset
    EXPECT_FALSE(MediaHeaderKind(sector.data(), sector.size()));
}

} // namespace
} // namespace qr::raw
