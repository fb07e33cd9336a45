// File-type labels and the list's date and time texts.
#include "model/DateFormats.h"
#include "model/FileTypeTable.h"

#include <gtest/gtest.h>

namespace qr::model {
namespace {

TEST(ClassifyFile, EndingsMatchInTheListedCaseOnly) {
    EXPECT_EQ(ClassifyFile("REPORT.DOC", false).label, "Microsoft Word File");
    EXPECT_EQ(ClassifyFile("_EPORT.DOC", true).label, "Deleted Word File");
    EXPECT_EQ(ClassifyFile("report.Doc", false).label, "File");
    EXPECT_EQ(ClassifyFile("song.au", false).label, "Sound file");
    EXPECT_EQ(ClassifyFile("SONG.AU", true).label, "Deleted Sound file");
    EXPECT_EQ(ClassifyFile("song.Au", false).label, "File");
    EXPECT_EQ(ClassifyFile("main.h", false).label, "Header file");
    EXPECT_EQ(ClassifyFile("main.hpp", false).label, "File");
    EXPECT_EQ(ClassifyFile("index.html", false).label, "Internet file");
    EXPECT_EQ(ClassifyFile("INDEX.HTML", false).label, "Internet file");
    EXPECT_EQ(ClassifyFile("INDEX.HTM", false).label, "File");
    EXPECT_EQ(ClassifyFile("x", true).label, "Deleted File");
    EXPECT_EQ(ClassifyFile("a.pdf", false).image, 15);
    EXPECT_EQ(ClassifyFile("a.bin", false).image, 19);
}

TEST(DateFormats, FatDateAndTime) {
    EXPECT_EQ(FormatFatDate(0x3163), "03-Nov-2004");
    EXPECT_EQ(FormatFatDate(0), "00-Err-1980");
    EXPECT_EQ(FormatFatDate(static_cast<std::uint16_t>((13 << 5) | 1)), "01-Err-1980");
    EXPECT_EQ(FormatFatTime(0), "00:00");
    EXPECT_EQ(FormatFatTime(static_cast<std::uint16_t>((9 << 11) | (5 << 5))), "09:05");
}

TEST(DateFormats, NtfsDateAndTimeInUniversalTime) {
    // 2004-11-03 09:05:07 UTC.
    const std::int64_t seconds1601 = 11644473600LL + 1099472707LL;
    EXPECT_EQ(FormatNtfsDate(seconds1601 * 10000000), "3-Nov-2004");
    EXPECT_EQ(FormatNtfsTime(seconds1601 * 10000000), "9:5:7");
    EXPECT_EQ(FormatNtfsDate(0), "1-Jan-1601");
    EXPECT_EQ(FormatNtfsTime(0), "0:0:0");
}

} // namespace
} // namespace qr::model
