// recovery-cli raw over a disk image: the files it prints and writes, the ticked
// kinds, and the range checks with their messages.
#include "RawTestMedia.h"
#include "raw/RawRange.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace qr::raw {
namespace {

class RawCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::sampleDocuments().empty())
            GTEST_SKIP() << "python3 is not installed";
        // Two documents and an archive, back to back after 100 sectors of filler.
        std::vector<unsigned char> image = test::randomSectors(100, 21);
        for (const char* name : {"sheet.xls", "slides.ppt", "deflated.zip"}) {
            starts.push_back(image.size() / 512);
            const auto& bytes = test::sampleNamed(name).bytes;
            image.insert(image.end(), bytes.begin(), bytes.end());
            image.resize((image.size() + 511) / 512 * 512);
        }
        const auto tail = test::randomSectors(30, 22);
        image.insert(image.end(), tail.begin(), tail.end());
        sectors = image.size() / 512;
        std::ofstream(dir / "disk.img", std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
    }

    test::CommandResult raw(const std::string& args) {
        return test::run("(" + std::string(RECOVERY_CLI) + " --image " +
                         test::shellQuote((dir / "disk.img").string()) + " raw --disk 0 --to " +
                         test::shellQuote((dir / "out").string()) + " " + args + " 2>" +
                         test::shellQuote((dir / "err").string()) + ")");
    }
    std::string errors() {
        std::ifstream in(dir / "err");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    test::TempDir dir;
    std::vector<std::uint64_t> starts;
    std::uint64_t sectors = 0;
};

TEST_F(RawCommand, WritesEachFileFoundAndPrintsItWithTheCounts) {
    const auto r = raw("");
    ASSERT_EQ(r.exitCode, 0) << r.output << errors();
    const std::string expected =
        "XLS1.XLS\txls\t" + std::to_string(starts[0]) + "\t" +
        std::to_string(test::sampleNamed("sheet.xls").bytes.size()) + "\nPPT2.PPT\tppt\t" +
        std::to_string(starts[1]) + "\t" +
        std::to_string(test::sampleNamed("slides.ppt").bytes.size()) + "\nZIP3.ZIP\tzip\t" +
        std::to_string(starts[2]) + "\t" +
        std::to_string(test::sampleNamed("deflated.zip").bytes.size()) +
        "\nTotal Word File(s) Recovered :  0\nTotal Excel File(s) Recovered :  1\n"
        "Total PowerPoint File(s) Recovered :  1\nTotal Zip File(s) Recovered :  1\n"
        "Total JPEG Picture(s) Recovered :  0\nTotal PNG Picture(s) Recovered :  0\n"
        "Total Camera Raw Picture(s) Recovered :  0\nTotal MP4 Video(s) Recovered :  0\n"
        "Total AVI Video(s) Recovered :  0\n";
    EXPECT_EQ(r.output, expected);
    EXPECT_TRUE(test::readFile(dir / "out" / "PPT2.PPT") == test::sampleNamed("slides.ppt").bytes);
    EXPECT_TRUE(test::readFile(dir / "out" / "ZIP3.ZIP") ==
                test::sampleNamed("deflated.zip").bytes);
    EXPECT_NE(errors().find("100 % Completed"), std::string::npos);
}

TEST_F(RawCommand, OnlyTheTickedKindsInTheRange) {
    const auto r = raw("--types zip,ppt --start " + std::to_string(starts[1]) + " --end " +
                       std::to_string(sectors));
    ASSERT_EQ(r.exitCode, 0) << errors();
    EXPECT_EQ(r.output.find("XLS"), std::string::npos);
    EXPECT_NE(r.output.find("PPT1.PPT\tppt\t"), std::string::npos);
    EXPECT_NE(r.output.find("ZIP2.ZIP\tzip\t"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / "XLS1.XLS"));
    // Only the ticked kinds are counted.
    EXPECT_NE(r.output.find("Total Zip File(s) Recovered :  1\n"), std::string::npos);
    EXPECT_EQ(r.output.find("Total JPEG"), std::string::npos);
}

TEST_F(RawCommand, RefusesBadRangesAndKindsWithTheirMessages) {
    const std::pair<std::string, std::string> cases[] = {
        {"--end 12x", "Invalid End Sector"},
        {"--start -1", "Invalid Start Sector"},
        {"--start 50 --end 50", "Start sector should be less than End sector"},
        {"--end " + std::to_string(sectors + 1), "Invalid End Sector"},
        {"--types ,", "Please select file type for recovery"},
        {"--types exe", "--types takes jpg, png, raw, mp4, avi, doc, xls, ppt and zip"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args);
        const auto r = raw(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(errors().find(message), std::string::npos) << errors();
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
}

// Every kind, each in a folder of its own; the count lines cover every row; a --names
// value that is neither metadata nor numbers is refused.
TEST_F(RawCommand, AllKindsSortedIntoFoldersOfTheirKinds) {
    const auto r = raw("--types all --sort-by-kind --names numbers");
    ASSERT_EQ(r.exitCode, 0) << errors();
    EXPECT_NE(r.output.find("XLS/XLS1.XLS\txls\t"), std::string::npos) << r.output;
    EXPECT_TRUE(test::readFile(dir / "out" / "ZIP" / "ZIP3.ZIP") ==
                test::sampleNamed("deflated.zip").bytes);
    for (const RawKindInfo& row : RawKindTable)
        EXPECT_NE(r.output.find(std::string(row.countLine)), std::string::npos) << row.option;
    EXPECT_EQ(raw("--names titles").exitCode, 2);
    EXPECT_NE(errors().find("--names takes metadata or numbers"), std::string::npos);
}

} // namespace
} // namespace qr::raw

namespace qr::raw {
namespace {

TEST(CheckRawRange, TheFieldsAreCheckedEndFirstAndTheFocusGoesToTheFaultyOne) {
    EXPECT_EQ(CheckRawRange(true, "junk", "junk", 5000).end, 5000u);
    const RawRangeCheck badEnd = CheckRawRange(false, "junk", "12a", 5000);
    EXPECT_EQ(badEnd.message, "Invalid End Sector");
    EXPECT_TRUE(badEnd.resetEnd);
    const RawRangeCheck badStart = CheckRawRange(false, "", "100", 5000);
    EXPECT_EQ(badStart.message, "Invalid Start Sector");
    EXPECT_EQ(badStart.focus, RangeField::Start);
    EXPECT_EQ(CheckRawRange(false, "100", "100", 5000).message,
              "Start sector should be less than End sector");
    const RawRangeCheck beyond = CheckRawRange(false, "0", "5001", 5000);
    EXPECT_EQ(beyond.message, "Invalid End Sector");
    EXPECT_EQ(beyond.focus, RangeField::End);
    const RawRangeCheck good = CheckRawRange(false, "7", "5000", 5000);
    EXPECT_TRUE(good.message.empty());
    EXPECT_EQ(good.first, 7u);
    EXPECT_EQ(CheckRawKinds({}), "Please select file type for recovery");
    EXPECT_TRUE(CheckRawKinds({false, false, true, false}).empty());
}

} // namespace
} // namespace qr::raw
