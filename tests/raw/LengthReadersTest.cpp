// The lengths compound documents and Zip archives record for themselves, read from
// real files and from damaged ones.
#include "RawTestMedia.h"
#include "raw/CompoundDocument.h"
#include "raw/ZipRecords.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace qr::raw {
namespace {

// Reads from `bytes` as the file; nothing behind its end.
FileBytesReader over(const std::vector<unsigned char>& bytes) {
    return [&bytes](std::uint64_t offset, std::uint32_t length, unsigned char* out) {
        if (offset > bytes.size() || length > bytes.size() - offset)
            return false;
        std::memcpy(out, bytes.data() + offset, length);
        return true;
    };
}

std::vector<unsigned char> withTail(std::vector<unsigned char> bytes, std::size_t tail) {
    const auto filler = test::randomSectors((tail + 511) / 512, 9);
    bytes.insert(bytes.end(), filler.begin(), filler.begin() + static_cast<long>(tail));
    return bytes;
}

std::uint64_t endRecordOffset(const std::vector<unsigned char>& zip) {
    for (std::size_t i = zip.size() - kZipEndRecordBytes + 1; i-- > 0;)
        if (std::memcmp(zip.data() + i, "PK\x05\x06", 4) == 0)
            return i;
    return 0;
}

class SampleLengths : public ::testing::Test {
protected:
    void SetUp() override {
        if (samples.empty())
            GTEST_SKIP() << "python3 is not installed";
    }
    const std::vector<test::SampleDocument>& samples = test::sampleDocuments();
};

TEST_F(SampleLengths, EveryDocumentAndArchiveHasItsOwnLengthWhateverFollowsIt) {
    for (const auto& s : samples) {
        SCOPED_TRACE(s.name);
        const auto bytes = withTail(s.bytes, 70000);
        std::optional<std::uint64_t> length;
        if (s.kind == "zip")
            length = ZipArchiveLength(over(bytes), endRecordOffset(s.bytes), bytes.size());
        else
            length = CompoundDocumentLength(over(bytes), bytes.size());
        ASSERT_TRUE(length);
        EXPECT_EQ(*length, s.bytes.size());
        // A range that ends inside the file gives no length.
        if (s.kind == "zip")
            length = ZipArchiveLength(over(bytes), endRecordOffset(s.bytes), s.bytes.size() - 1);
        else
            length = CompoundDocumentLength(over(bytes), s.bytes.size() - 1);
        EXPECT_FALSE(length);
    }
}

TEST_F(SampleLengths, DamagedCompoundHeadersAndTablesGiveNoLength) {
    // Its table continues in a sector of its own.
    const std::vector<unsigned char>& doc = test::sampleNamed("large.doc").bytes;
    ASSERT_FALSE(doc.empty());
    const auto damaged = [&](std::size_t offset, std::vector<unsigned char> value) {
        auto copy = doc;
        std::memcpy(copy.data() + offset, value.data(), value.size());
        return CompoundDocumentLength(over(copy), copy.size());
    };
    EXPECT_TRUE(CompoundDocumentLength(over(doc), doc.size()));
    EXPECT_FALSE(damaged(0x1E, {13, 0}));                  // sector size 8192
    EXPECT_FALSE(damaged(0x1C, {0xFF, 0xFF}));             // byte order
    EXPECT_FALSE(damaged(0x2C, {0, 0, 0, 0}));             // no table
    EXPECT_FALSE(damaged(0x2C, {0xFF, 0xFF, 0xFF, 0x7F})); // a table larger than the file
    EXPECT_FALSE(damaged(0x4C, {0x00, 0x00, 0x10, 0x00})); // a table sector far outside
    EXPECT_FALSE(damaged(0x50, {0, 0, 0, 0}));             // the same table sector twice
    // The continuation of the table missing or outside the file, and a table sector
    // not marked as one.
    EXPECT_FALSE(damaged(0x48, {0, 0, 0, 0}));
    EXPECT_FALSE(damaged(0x44, {0xF0, 0xFF, 0xFF, 0x0F}));
    EXPECT_FALSE(damaged(512, {0xFE, 0xFF, 0xFF, 0xFF}));
    // A chain link leaving the table.
    EXPECT_FALSE(damaged(512 + 4 * 200, {0xF0, 0xFF, 0xFF, 0x0F}));
    // Garbage behind a valid signature.
    auto garbage = test::randomSectors(40, 3);
    std::memcpy(garbage.data(), doc.data(), 8);
    EXPECT_FALSE(CompoundDocumentLength(over(garbage), garbage.size()));
    // Only a header.
    const std::vector<unsigned char> header(doc.begin(), doc.begin() + 512);
    EXPECT_FALSE(CompoundDocumentLength(over(header), header.size()));
}

TEST_F(SampleLengths, AnEndRecordOfAnotherArchiveIsNotThisOnesEnd) {
    const std::vector<unsigned char>& tiny = test::sampleNamed("tiny.zip").bytes;
    const std::vector<unsigned char>& stored = test::sampleNamed("stored.zip").bytes;
    // An archive stored whole inside another one: its end record is not the outer end.
    std::vector<unsigned char> nested = stored;
    nested.insert(nested.begin() + 100, tiny.begin(), tiny.end());
    EXPECT_FALSE(ZipArchiveLength(over(nested), 100 + endRecordOffset(tiny), nested.size()));
    // A central directory pointing outside the image, or not where it says.
    auto outside = stored;
    const std::uint64_t end = endRecordOffset(stored);
    outside[end + 19] = 0x7F;
    EXPECT_FALSE(ZipArchiveLength(over(outside), end, outside.size()));
    auto shifted = stored;
    shifted[end + 16] ^= 1;
    EXPECT_FALSE(ZipArchiveLength(over(shifted), end, shifted.size()));
    // A comment running behind the range.
    auto comment = stored;
    comment[end + 20] = 0xFF;
    EXPECT_FALSE(ZipArchiveLength(over(comment), end, comment.size()));
    // Not an end record at all.
    EXPECT_FALSE(ZipArchiveLength(over(stored), end - 1, stored.size()));
}

TEST(ZipArchiveLength, Zip64RecordsAndAnEmptyArchive) {
    // An empty archive: only the end record, with a comment.
    std::vector<unsigned char> empty = {'P', 'K', 5, 6, 0, 0, 0, 0, 0, 0,   0,   0,  0,
                                        0,   0,   0, 0, 0, 0, 0, 3, 0, 'a', 'b', 'c'};
    EXPECT_EQ(ZipArchiveLength(over(empty), 0, empty.size()), 25u);
    // A central directory of 46 bytes at 100, then the Zip64 record, locator and end.
    std::vector<unsigned char> zip(100 + 46 + 56 + 20 + 22, 0);
    std::memcpy(zip.data() + 100, "PK\x01\x02", 4);
    unsigned char* record = zip.data() + 146;
    std::memcpy(record, "PK\x06\x06", 4);
    record[24] = 1;   // entries here
    record[32] = 1;   // entries
    record[40] = 46;  // central size
    record[48] = 100; // central offset
    unsigned char* locator = zip.data() + 202;
    std::memcpy(locator, "PK\x06\x07", 4);
    locator[8] = 146;
    unsigned char* endRecord = zip.data() + 222;
    std::memcpy(endRecord, "PK\x05\x06", 4);
    std::memset(endRecord + 8, 0xFF, 12);
    EXPECT_EQ(ZipArchiveLength(over(zip), 222, zip.size()), zip.size());
    locator[8] = 145; // the locator pointing beside the record
    EXPECT_FALSE(ZipArchiveLength(over(zip), 222, zip.size()));
}

} // namespace
} // namespace qr::raw
