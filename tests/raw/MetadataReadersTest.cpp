// The readers behind names by metadata on hand-built bytes: a HEIF picture's Exif item
// through iinf and iloc, and one Zip entry stored or deflated, each with hostile counts,
// offsets and lengths.
#include "raw/HeifExif.h"
#include "raw/ZipMember.h"
#include "support/MemoryReader.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <string>

namespace qr::raw {
namespace {

using Bytes = std::string;

Bytes be(std::uint64_t value, int width) {
    Bytes out;
    for (int i = width - 1; i >= 0; --i)
        out += static_cast<char>(value >> (8 * i) & 0xFF);
    return out;
}

Bytes box(const char* type, const Bytes& body) {
    return be(body.size() + 8, 4) + type + body;
}

FileBytesReader readerOf(const Bytes& bytes) {
    return test::ReaderOf(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// ftyp, then meta with an Exif item (ID 7) at `offset` of `length` bytes, of iloc
// version `version` and construction method `method`.
Bytes heif(std::uint64_t offset, std::uint64_t length, int version = 1, int method = 0) {
    const Bytes infe = box("infe", be(2 << 24, 4) + be(7, 2) + be(0, 2) + "Exif");
    const Bytes iinf = box("iinf", be(0, 4) + be(1, 2) + infe);
    Bytes iloc = be(std::uint64_t(version) << 24, 4) + be(0x4400, 2) + be(1, version < 2 ? 2 : 4) +
                 be(7, version < 2 ? 2 : 4);
    if (version == 1 || version == 2)
        iloc += be(method, 2);
    iloc += be(0, 2) + be(1, 2) + be(offset, 4) + be(length, 4);
    return box("ftyp", "heic" + be(0, 4) + "mif1") +
           box("meta", be(0, 4) + iinf + box("iloc", iloc));
}

TEST(HeifExif, TheExifItemLeadsToItsTiffHeader) {
    const Bytes item = be(6, 4) + Bytes("Exif\0\0", 6) + "MM" + be(42, 2) + be(8, 4);
    for (int version : {0, 1, 2}) {
        SCOPED_TRACE(version);
        const std::uint64_t at = heif(0, 0, version).size() + 8; // behind the mdat header
        const Bytes f = heif(at, item.size(), version) + box("mdat", item);
        const auto tiff = HeifExifTiff(readerOf(f), f.size());
        ASSERT_TRUE(tiff);
        EXPECT_EQ(tiff->first, at + 10);
        EXPECT_EQ(tiff->second, at + item.size());
        EXPECT_EQ(f.substr(tiff->first, 2), "MM");
    }
}

TEST(HeifExif, HostileLocationsAndBoxesGiveNothing) {
    const auto none = [](const Bytes& f) { return !HeifExifTiff(readerOf(f), f.size()); };
    EXPECT_TRUE(none(heif(1u << 30, 100)));   // behind the file
    EXPECT_TRUE(none(heif(10, 0xFFFFFFF0u))); // longer than the file
    EXPECT_TRUE(none(heif(10, 2)));           // too short for its offset field
    EXPECT_TRUE(none(heif(10, 20, 1, 1)));    // inside an idat box
    Bytes cut = heif(10, 20);
    EXPECT_TRUE(none(cut.substr(0, cut.size() - 3))); // the meta box runs behind the end
    Bytes claims = heif(10, 20);
    claims.replace(claims.find("iloc") - 4, 4, be(0xFFFFFF, 4)); // iloc larger than meta
    EXPECT_TRUE(none(claims));
    EXPECT_TRUE(none(box("ftyp", "heic" + be(0, 4)) + box("mdat", Bytes(64, 'x'))));
    EXPECT_TRUE(none(""));
}

// A Zip archive of one entry "a.xml" holding `data`, stored or deflated.
Bytes zipOf(const Bytes& data, bool deflated, std::uint32_t claimed = 0) {
    Bytes stored = data;
    if (deflated) {
        z_stream s{};
        deflateInit2(&s, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        stored.assign(deflateBound(&s, data.size()), '\0');
        s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        s.avail_in = static_cast<uInt>(data.size());
        s.next_out = reinterpret_cast<Bytef*>(stored.data());
        s.avail_out = static_cast<uInt>(stored.size());
        deflate(&s, Z_FINISH);
        stored.resize(s.total_out);
        deflateEnd(&s);
    }
    const auto le = [](std::uint64_t v, int w) {
        Bytes out;
        for (int i = 0; i < w; ++i)
            out += static_cast<char>(v >> (8 * i) & 0xFF);
        return out;
    };
    const std::uint32_t size = claimed ? claimed : static_cast<std::uint32_t>(stored.size());
    const Bytes name = "a.xml";
    const Bytes common = le(20, 2) + le(0, 2) + le(deflated ? 8 : 0, 2) + le(0, 4) + le(0, 4) +
                         le(size, 4) + le(data.size(), 4) + le(name.size(), 2) + le(0, 2);
    const Bytes local = "PK\x03\x04" + common + name + stored;
    const Bytes central = "PK\x01\x02" + le(20, 2) + common + le(0, 2) + le(0, 2) + le(0, 2) +
                          le(0, 4) + le(0, 4) + name;
    return local + central + "PK\x05\x06" + le(0, 4) + le(1, 2) + le(1, 2) + le(central.size(), 4) +
           le(local.size(), 4) + le(0, 2);
}

TEST(ZipMember, StoredAndDeflatedEntriesAreReadAndBounded) {
    const Bytes text = "<dc:title>T</dc:title>" + Bytes(3000, 'x');
    for (bool deflate : {false, true}) {
        SCOPED_TRACE(deflate);
        const Bytes zip = zipOf(text, deflate);
        EXPECT_EQ(ZipMemberBytes(readerOf(zip), zip.size(), "a.xml", 1 << 20), text);
        EXPECT_EQ(ZipMemberBytes(readerOf(zip), zip.size(), "a.xml", 10), text.substr(0, 10));
        EXPECT_FALSE(ZipMemberBytes(readerOf(zip), zip.size(), "b.xml", 100));
    }
    // Deflate data that is not: nothing; a size claimed past the archive is cut to it.
    Bytes broken = zipOf(text, true);
    broken.replace(30 + 5, 8, Bytes(8, '\xFF'));
    EXPECT_FALSE(ZipMemberBytes(readerOf(broken), broken.size(), "a.xml", 1 << 20));
    const Bytes claims = zipOf(text, false, 0xFFFFFFF0u);
    EXPECT_FALSE(
        ZipMemberBytes(readerOf(claims), claims.size(), "a.xml", 1 << 20).value_or("").empty());
}

} // namespace
} // namespace qr::raw
