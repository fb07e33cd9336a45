// The search of one window and the rules that carry files across windows, on byte
// arrays of pseudo-random filler with markers put in.
#include "raw/WindowSearch.h"
#include "RawTestMedia.h"
#include "raw/WindowRules.h"

#include <gtest/gtest.h>

namespace qr::raw {
namespace {

using test::endOf;
using test::headerOf;
using test::put;
using test::randomSectors;

constexpr std::uint64_t kWindowBytes = kWindowSectors * 512;

WindowMarks search(const std::vector<unsigned char>& bytes, std::uint64_t first = 0,
                   std::uint32_t sectors = kWindowSectors) {
    return SearchWindow(disk::ByteView(bytes.data(), bytes.size()), first, sectors, true);
}

TEST(FindHeaders, OnlyAtSectorStartsAndZipWithAnyVersionByte) {
    auto bytes = randomSectors(kWindowSectors + 1);
    put(bytes, 3 * 512, headerOf(0));
    put(bytes, 5 * 512 + 1, headerOf(0));  // not at a sector start
    put(bytes, 9 * 512, "PK\x03\x04\x14"); // deflated first entry: version 2.0
    put(bytes, 12 * 512, "PK\x03\x04\x0A");
    put(bytes, 20 * 512, headerOf(4));
    const WindowMarks marks = search(bytes, 1000);
    ASSERT_EQ(marks.headers.size(), 4u);
    EXPECT_EQ(marks.headers[0].sector, 1003u);
    EXPECT_EQ(marks.headers[0].entry, 0);
    EXPECT_EQ(marks.headers[1].sector, 1009u);
    EXPECT_EQ(marks.headers[1].entry, kZipEntry);
    EXPECT_EQ(marks.headers[2].sector, 1012u);
    EXPECT_EQ(marks.headers[3].entry, kExcel5Entry);
}

TEST(FindHeaders, AZipAheadOfADocumentInOneWindowIsACandidate) {
    auto bytes = randomSectors(kWindowSectors);
    put(bytes, 2 * 512, headerOf(kZipEntry));
    put(bytes, 40 * 512, headerOf(0));
    const WindowMarks marks = search(bytes);
    ASSERT_EQ(marks.headers.size(), 2u);
    EXPECT_EQ(marks.headers[0].entry, kZipEntry);
    EXPECT_EQ(marks.headers[1].entry, 0);
}

TEST(FindEndMarkers, AMarkerAcrossTheWindowEndBelongsToThisWindowOnly) {
    auto bytes = randomSectors(kWindowSectors + 1);
    put(bytes, kWindowBytes - 5, endOf(0));          // runs into the sector behind
    put(bytes, kWindowBytes + 10, endOf(kZipEntry)); // starts behind the window
    const WindowMarks marks = search(bytes);
    ASSERT_EQ(marks.ends[0].size(), 1u);
    EXPECT_EQ(marks.ends[0][0], kWindowBytes - 5);
    EXPECT_TRUE(marks.ends[kZipEntry].empty());
    // Rows 2 and 4 share one marker and its hits.
    put(bytes, 100, endOf(2));
    const WindowMarks again = search(bytes);
    EXPECT_EQ(again.ends[2], again.ends[4]);
    EXPECT_EQ(again.ends[2].size(), 1u);
}

TEST(FindFileEnd, TakesTheLastMarkerBehindTheStartAndStopsBeforeTheNextHeader) {
    auto bytes = randomSectors(kWindowSectors);
    put(bytes, 10 * 512, headerOf(0));
    put(bytes, 13 * 512 + 7, endOf(0));
    put(bytes, 15 * 512 + 300, endOf(0));
    put(bytes, 30 * 512, headerOf(0));
    put(bytes, 33 * 512 + 1, endOf(0)); // the second document's marker
    const WindowMarks marks = search(bytes);
    // Markers behind the next header move the end to the sector before it.
    auto end = FindFileEnd(marks, {10, 0, 30, std::nullopt});
    ASSERT_TRUE(end);
    EXPECT_EQ(end->sector, 29u);
    EXPECT_EQ(end->entry, 0);
    EXPECT_EQ(*end->markerOffset, 15u * 512 + 300);
    // Alone in its window it ends at the last marker.
    end = FindFileEnd(marks, {30, 0, std::nullopt, std::nullopt});
    ASSERT_TRUE(end);
    EXPECT_EQ(end->sector, 33u);
    // Markers at or below the last written file's end are passed over.
    EXPECT_FALSE(FindFileEnd(marks, {30, 0, std::nullopt, 33}));
}

TEST(FindFileEnd, OnlyTheFileOwnMarkersEndIt) {
    auto bytes = randomSectors(kWindowSectors);
    put(bytes, 4 * 512, headerOf(kZipEntry));
    put(bytes, 8 * 512 + 40, endOf(kZipEntry));
    put(bytes, 9 * 512, headerOf(0));
    put(bytes, 11 * 512 + 40, endOf(0));
    const WindowMarks marks = search(bytes);
    // The Word marker behind the next header does not make the archive a document.
    const auto zip = FindFileEnd(marks, {4, kZipEntry, 9, std::nullopt});
    ASSERT_TRUE(zip);
    EXPECT_EQ(zip->entry, kZipEntry);
    EXPECT_EQ(zip->sector, 8u);
    // A document with no marker of its own has no end, whatever else the window holds.
    auto other = randomSectors(kWindowSectors);
    put(other, 0, headerOf(0));
    put(other, 3 * 512, endOf(kZipEntry));
    EXPECT_FALSE(FindFileEnd(search(other), {0, 0, std::nullopt, std::nullopt}));
}

TEST(FindFileEnd, TheEarliestOfTheFirstThreeRowsWinsOverPowerPoint) {
    auto bytes = randomSectors(kWindowSectors);
    put(bytes, 0, headerOf(0));
    put(bytes, 50 * 512, endOf(1)); // Workbook
    put(bytes, 20 * 512, endOf(0)); // Word.Document, earlier
    put(bytes, 10 * 512, endOf(3)); // PowerPoint Document, earliest of all
    const auto end = FindFileEnd(search(bytes), {0, 0, std::nullopt, std::nullopt});
    ASSERT_TRUE(end);
    EXPECT_EQ(end->entry, 0);
    EXPECT_EQ(end->sector, 20u);
}

struct Decisions {
    std::vector<FileDecision> all;
    WindowRules::Decide sink() {
        return [this](const FileDecision& d) { all.push_back(d); };
    }
};

TEST(WindowRules, AFileOpenAcrossWindowsEndsInALaterOne) {
    auto disk = randomSectors(3 * kWindowSectors + 1);
    put(disk, 700 * 512, headerOf(0));
    put(disk, (kWindowSectors * 2 + 5) * 512, endOf(0));
    put(disk, (kWindowSectors * 2 + 9) * 512, headerOf(kZipEntry));
    put(disk, (kWindowSectors * 2 + 12) * 512, endOf(kZipEntry));
    WindowRules rules;
    Decisions d;
    for (std::uint64_t w = 0; w < 3; ++w) {
        const std::vector<unsigned char> window(disk.begin() + w * kWindowBytes, disk.end());
        rules.take(search(window, w * kWindowSectors), d.sink());
        EXPECT_EQ(rules.hasOpenFile(), w < 2);
    }
    ASSERT_EQ(d.all.size(), 2u);
    EXPECT_EQ(d.all[0].number, 1u);
    EXPECT_EQ(d.all[0].start, 700u);
    EXPECT_EQ(d.all[0].end->sector, 2 * kWindowSectors + 5);
    // The window is taken again after the open file ended: the archive in it is found.
    EXPECT_EQ(d.all[1].number, 2u);
    EXPECT_EQ(d.all[1].start, 2 * kWindowSectors + 9);
    EXPECT_EQ(d.all[1].end->sector, 2 * kWindowSectors + 12);
}

TEST(WindowRules, FilesWithoutTheirEndAreGivenUpAndUseANumber) {
    auto disk = randomSectors(2 * kWindowSectors + 1);
    put(disk, 100 * 512, headerOf(0)); // no end anywhere: followed in its window
    put(disk, 200 * 512, headerOf(kZipEntry));
    put(disk, 300 * 512, headerOf(0)); // open at the window's end, no end later
    put(disk, (kWindowSectors + 50) * 512, headerOf(kZipEntry));
    put(disk, (kWindowSectors + 60) * 512, endOf(kZipEntry));
    WindowRules rules;
    Decisions d;
    for (std::uint64_t w = 0; w < 2; ++w) {
        const std::vector<unsigned char> window(disk.begin() + w * kWindowBytes, disk.end());
        rules.take(search(window, w * kWindowSectors), d.sink());
    }
    // 1: the document followed by the archive, given up; 2: the archive without an
    // end, followed by the next document, given up; 3: the open document, given up
    // when the next window shows a header but none of its markers; 4: that archive.
    ASSERT_EQ(d.all.size(), 4u);
    EXPECT_FALSE(d.all[0].end);
    EXPECT_FALSE(d.all[1].end);
    EXPECT_FALSE(d.all[2].end);
    EXPECT_EQ(d.all[2].start, 300u);
    ASSERT_TRUE(d.all[3].end);
    EXPECT_EQ(d.all[3].number, 4u);
    EXPECT_EQ(d.all[3].start, kWindowSectors + 50);
}

} // namespace
} // namespace qr::raw
