// Short names, long-name runs (also backwards across sectors), the name test and the
// composition every directory reader uses.
#include "fat/DirectoryEntry.h"

#include <array>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace qr::fat {
namespace {

using Sector = std::array<unsigned char, 512>;

template <typename Bytes> disk::ByteView view(const Bytes& bytes) {
    return {bytes.data(), bytes.size()};
}

void putShort(unsigned char* e, const char (&name11)[12], std::uint8_t attr = 0x20) {
    std::memcpy(e, name11, 11);
    e[11] = attr;
}

// A long-name entry with sequence byte `seq` holding up to 13 UTF-16 units; a shorter
// run gets the 0 terminator and 0xFFFF padding.
void putLong(unsigned char* e, std::uint8_t seq, const std::u16string& units) {
    static const int offsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    std::memset(e, 0, 32);
    e[0] = seq;
    e[11] = kAttrLongName;
    for (std::size_t i = 0; i < 13; ++i) {
        const std::uint16_t u = i < units.size() ? units[i] : (i == units.size() ? 0 : 0xFFFF);
        e[offsets[i]] = static_cast<unsigned char>(u & 0xFF);
        e[offsets[i] + 1] = static_cast<unsigned char>(u >> 8);
    }
}

// Long-name entries for `name` in on-disk order (last part first) ahead of slot `at`.
int putLongName(unsigned char* sector, int at, const std::u16string& name) {
    const std::size_t parts = (name.size() + 12) / 13;
    for (std::size_t p = 0; p < parts; ++p) {
        const std::size_t part = parts - 1 - p; // on disk the last part comes first
        const auto seq = static_cast<std::uint8_t>((part + 1) | (p == 0 ? 0x40 : 0));
        putLong(sector + (at - static_cast<int>(parts) + static_cast<int>(p)) * 32, seq,
                name.substr(part * 13, 13));
    }
    return at;
}

TEST(ShortNameOf, DropsPaddingAndMarksDeleted) {
    Sector s{};
    putShort(s.data(), "README  TXT");
    EXPECT_EQ(ShortNameOf(view(s)).text, "README.TXT");
    putShort(s.data(), "MY DOC  TXT");
    EXPECT_EQ(ShortNameOf(view(s)).text, "MYDOC.TXT");
    putShort(s.data(), "ABC        ");
    EXPECT_EQ(ShortNameOf(view(s)).text, "ABC");
    putShort(s.data(), "\xE5"
                       "EADME  TXT");
    const ShortName deleted = ShortNameOf(view(s));
    EXPECT_EQ(deleted.text, "_EADME.TXT");
    EXPECT_TRUE(deleted.deleted);
    EXPECT_FALSE(ShortNameOf(view(s).from(32)).deleted);
}

TEST(ShortNameOf, DecodesCodePage437) {
    Sector s{};
    putShort(s.data(), "\x8E"
                       "PFEL   TXT"); // 0x8E is Ä
    EXPECT_EQ(ShortNameOf(view(s)).text, "\xC3\x84PFEL.TXT");
    putShort(s.data(), "\x05"
                       "IGMA   TXT"); // 0x05 stands for a first byte 0xE5 (σ)
    const ShortName sigma = ShortNameOf(view(s));
    EXPECT_EQ(sigma.text, "\xCF\x83IGMA.TXT");
    EXPECT_FALSE(sigma.deleted);
}

TEST(ReadLongName, ExactlyThirteenCharactersEndOnTheFlaggedEntry) {
    Sector s{};
    putLongName(s.data(), 1, u"ABCDEFGHIJKLM");
    putShort(s.data() + 32, "ABCDEF~1   ");
    EXPECT_EQ(ReadLongName(view(s), 32, 100, {}), "ABCDEFGHIJKLM");
}

TEST(ReadLongName, MultiPartNameAndNoneWithoutEntries) {
    Sector s{};
    putLongName(s.data(), 3, u"Quarterly report 2004.doc");
    putShort(s.data() + 96, "QUARTE~1DOC");
    EXPECT_EQ(ReadLongName(view(s), 96, 7, {}), "Quarterly report 2004.doc");
    putShort(s.data() + 128, "PLAIN   TXT");
    EXPECT_EQ(ReadLongName(view(s), 128, 7, {}), std::nullopt);
}

TEST(ReadLongName, WalksBackIntoThePreviousSector) {
    std::array<unsigned char, 1024> two{};
    // Both long-name entries close sector 40; the short entry opens sector 41.
    putLong(two.data() + 448, 0x42, u"def.txt");
    putLong(two.data() + 480, 0x01, u"Long name abc");
    putShort(two.data() + 512, "LONGNA~1TXT");
    LookbackSource source{nullptr, view(two), 40};
    EXPECT_EQ(ReadLongName(view(two).from(512), 0, 41, source), "Long name abcdef.txt");
}

TEST(ReadLongName, DeletedEntriesKeepTheirName) {
    Sector s{};
    putLongName(s.data(), 2, u"Holiday photo.jpg");
    s[0] = kDeletedMarker;
    s[32] = kDeletedMarker;
    putShort(s.data() + 64, "\xE5OLIDA~1JPG");
    const EntryName name = EntryNameOf(view(s), 64, 3, {});
    EXPECT_EQ(name.verdict, EntryVerdict::Accept);
    EXPECT_EQ(name.name, "Holiday photo.jpg");
    EXPECT_TRUE(name.deleted);
}

TEST(ReadLongName, NationalCharactersAndSurrogatePairs) {
    Sector s{};
    putLongName(s.data(), 2, u"Über straße \u65E5\u672C \U0001F600.txt");
    putShort(s.data() + 64, "BERSTR~1TXT");
    const EntryName name = EntryNameOf(view(s), 64, 3, {});
    EXPECT_EQ(name.verdict, EntryVerdict::Accept);
    EXPECT_EQ(name.name, "\xC3\x9C"
                         "ber stra\xC3\x9F"
                         "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80.txt");
}

TEST(ReadLongName, UnpairedSurrogateMakesTheNameInvalid) {
    Sector s{};
    putLongName(s.data(), 1, std::u16string(u"bad") + char16_t(0xD800) + u".txt");
    putShort(s.data() + 32, "BAD~1   TXT");
    EXPECT_EQ(EntryNameOf(view(s), 32, 3, {}).verdict, EntryVerdict::Skip);
}

TEST(ReadLongName, RunThatNeverEndsIsBounded) {
    // Every slot of every sector before is an unflagged long-name entry.
    std::vector<unsigned char> disk(64 * 512);
    for (std::size_t off = 0; off < disk.size(); off += 32)
        putLong(disk.data() + off, 0x01, u"AAAAAAAAAAAAA");
    Sector last{};
    putShort(last.data(), "LOOP    TXT");
    LookbackSource source{nullptr, view(disk), 0};
    const auto name = ReadLongName(view(last), 0, 64, source);
    ASSERT_TRUE(name.has_value());
    EXPECT_LE(name->size(), 255u + 13u);
}

TEST(IsValidEntryName, RejectsControlAndReservedCharacters) {
    EXPECT_TRUE(IsValidEntryName("notes: draft.txt"));
    EXPECT_TRUE(IsValidEntryName("caf\xC3\xA9.txt"));
    for (const char* bad : {"a\x01"
                            "b",
                            "tab\there", "q\"", "back\\slash", "a/b", "what?", "star*", "<in",
                            "out>", "pi|pe", "c1\xC2\x85", "\xFF"})
        EXPECT_FALSE(IsValidEntryName(bad)) << bad;
}

TEST(EntryNameOf, EndMarkerDotAndLongEntries) {
    Sector s{};
    putShort(s.data(), ".          ", kAttrDirectory);
    putShort(s.data() + 32, "..         ", kAttrDirectory);
    putLong(s.data() + 64, 0x41, u"x");
    putShort(s.data() + 96, "A\x01      TXT");
    EXPECT_EQ(EntryNameOf(view(s), 0, 0, {}).verdict, EntryVerdict::Skip);
    EXPECT_EQ(EntryNameOf(view(s), 32, 0, {}).verdict, EntryVerdict::Skip);
    EXPECT_EQ(EntryNameOf(view(s), 64, 0, {}).verdict, EntryVerdict::Skip);
    EXPECT_EQ(EntryNameOf(view(s), 96, 0, {}).verdict, EntryVerdict::Skip);
    EXPECT_EQ(EntryNameOf(view(s), 128, 0, {}).verdict, EntryVerdict::EndOfDirectory);
}

TEST(EntryNameOf, LongNameWithAReservedCharacterSkipsTheEntry) {
    Sector s{};
    putLongName(s.data(), 1, u"what?.txt");
    putShort(s.data() + 32, "WHAT~1  TXT");
    EXPECT_EQ(EntryNameOf(view(s), 32, 0, {}).verdict, EntryVerdict::Skip);
}

} // namespace
} // namespace qr::fat
