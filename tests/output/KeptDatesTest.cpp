// Saved files and folders keep their entries' modification times: on FAT and exFAT the
// saved time reads, to the minute, as the listed date and time (local fields, read in
// the run's time zone); on NTFS it is $STANDARD_INFORMATION's modification time, as
// The Sleuth Kit's istat gives it.
#include "support/ExfatImages.h"
#include "support/FatImages.h"
#include "support/NtfsImages.h"
#include "support/SaveFixtures.h"
#include "support/TestSupport.h"

#include <ctime>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/stat.h>

namespace qr::test {
namespace {

namespace fs = std::filesystem;

// A zone away from UTC with summer time, so a time read as UTC shows.
constexpr const char* kZone = "Europe/Berlin";

struct Listed {
    std::string type, date, time;
};

// path -> type, date and time of every line of a listing.
std::map<std::string, Listed> parseListing(const std::string& listing) {
    std::map<std::string, Listed> rows;
    std::istringstream in(listing);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::istringstream fields(line);
        std::string cell;
        while (std::getline(fields, cell, '\t'))
            cells.push_back(cell);
        if (cells.size() == 5)
            rows[cells[0]] = {cells[1], cells[3], cells[4]};
    }
    return rows;
}

std::int64_t mtimeOf(const fs::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mtime : -1;
}

std::string format(std::int64_t seconds, const char* pattern, bool utc = false) {
    const auto t = static_cast<std::time_t>(seconds);
    std::tm fields{};
    if (utc)
        gmtime_r(&t, &fields);
    else
        localtime_r(&t, &fields);
    char text[64];
    std::strftime(text, sizeof text, pattern, &fields);
    return text;
}

class KeptDates : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", kZone, 1);
        ::tzset();
    }
    void TearDown() override {
        ::unsetenv("TZ");
        ::tzset();
    }
    static CommandResult cli(const fs::path& image, const std::string& args) {
        return run("TZ=" + std::string(kZone) + " " + RECOVERY_CLI + " --image " +
                   shellQuote(image.string()) + " " + args + " </dev/null 2>/dev/null");
    }
    // Every listed file and folder that was saved has a modification time that reads
    // as its listed date and time; returns how many were compared.
    static int compareWithListing(const std::string& listing, const fs::path& out) {
        int compared = 0;
        for (const auto& [path, row] : parseListing(listing)) {
            const fs::path saved = out / fs::u8path(path);
            if (!fs::exists(fs::symlink_status(saved)) || path.rfind("Lost", 0) == 0)
                continue;
            const std::int64_t mtime = mtimeOf(saved);
            EXPECT_EQ(format(mtime, "%d-%b-%Y") + " " + format(mtime, "%H:%M"),
                      row.date + " " + row.time)
                << path << " (" << row.type << ")";
            ++compared;
        }
        return compared;
    }
    TempDir dir;
};

class FatKeptDates : public KeptDates, public ::testing::WithParamInterface<int> {};

TEST_P(FatKeptDates, SavedFilesAndFoldersHaveTheirEntriesTimes) {
    if (!haveFatTools())
        GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
    FatImageOptions o;
    o.fatBits = GetParam();
    o.sectorsPerCluster = GetParam() == 16 ? 4 : 1; // FAT16 holds at most 65524 clusters
    o.partitioned = true;
    FatImage image(dir / "card.img", o);
    const fs::path host = dir / "photo.jpg";
    std::ofstream(host, std::ios::binary) << PatternBytes(9000, 3);
    // A summer date (summer time in the zone) and a winter one, both at even seconds.
    runOrFail("touch -d '2019-07-17 14:23:30' " + shellQuote(host.string()));
    image.mkdir("::/DCIM");
    image.mkdir("::/DCIM/100CANON");
    image.copyInKeepingTime(host, "::/DCIM/100CANON/IMG_0001.JPG");
    runOrFail("touch -d '2008-01-02 03:04:06' " + shellQuote(host.string()));
    image.copyInKeepingTime(host, "::/OLD.JPG");
    image.copyInKeepingTime(host, "::/GONE.JPG");
    image.del("::/GONE.JPG");

    const std::string args = "--disk 0 --partition 1";
    const CommandResult listed = cli(image.path(), "list " + args);
    ASSERT_EQ(listed.exitCode, 0) << listed.output;
    const fs::path out = dir / "out";
    const CommandResult saved =
        cli(image.path(), "save " + args + " --replace yes-all --to " + shellQuote(out.string()));
    ASSERT_EQ(saved.exitCode, 0) << saved.output;

    std::tm summer{};
    summer.tm_year = 119, summer.tm_mon = 6, summer.tm_mday = 17, summer.tm_hour = 14,
    summer.tm_min = 23, summer.tm_sec = 30, summer.tm_isdst = -1;
    EXPECT_EQ(mtimeOf(out / "DCIM/100CANON/IMG_0001.JPG"), std::mktime(&summer));
    EXPECT_EQ(format(mtimeOf(out / "OLD.JPG"), "%Y-%m-%d %H:%M:%S"), "2008-01-02 03:04:06");
    EXPECT_EQ(format(mtimeOf(out / "_ONE.JPG"), "%Y-%m-%d %H:%M:%S"), "2008-01-02 03:04:06");
    // Both folders and both files at least; the folders were made after their files.
    EXPECT_GE(compareWithListing(listed.output, out), 5) << listed.output;
}

INSTANTIATE_TEST_SUITE_P(Fat16And32, FatKeptDates, ::testing::Values(16, 32));

TEST_F(KeptDates, ExfatFilesAndFoldersHaveTheirEntriesTimes) {
    std::string why;
    const ExfatImage* image = ExfatImage::shared(&why);
    if (!image)
        GTEST_SKIP() << why;
    const std::string args = "--disk 0 --partition 1";
    const CommandResult listed = cli(image->path(), "list " + args);
    ASSERT_EQ(listed.exitCode, 0) << listed.output;
    const fs::path out = dir / "out";
    cli(image->path(), "save " + args + " --replace yes-all --to " + shellQuote(out.string()));
    EXPECT_GE(compareWithListing(listed.output, out), static_cast<int>(image->files().size() / 2));
}

// The modification time istat prints in the $STANDARD_INFORMATION section, in UTC.
std::string istatModified(const fs::path& image, std::uint32_t record) {
    const std::string text =
        runOrFail("istat -z UTC -o " + std::to_string(NtfsImage::kVolumeStart) + " " +
                  shellQuote(image.string()) + " " + std::to_string(record) + " 2>/dev/null");
    const auto section = text.find("$STANDARD_INFORMATION");
    const auto at = text.find("File Modified:", section == std::string::npos ? 0 : section);
    if (section == std::string::npos || at == std::string::npos)
        return "";
    std::string value = text.substr(at + 14, text.find('\n', at) - at - 14);
    value.erase(0, value.find_first_not_of(" \t"));
    return value.substr(0, 19); // yyyy-mm-dd hh:mm:ss
}

TEST_F(KeptDates, NtfsFilesHaveTheirStandardInformationModificationTime) {
    std::string why;
    const NtfsImage* image = NtfsImage::shared(&why);
    if (!image)
        GTEST_SKIP() << why;
    if (!haveTools({"istat"}))
        GTEST_SKIP() << "istat (sleuthkit) missing";
    const std::string range = " --fs NTFS --start " + std::to_string(NtfsImage::kVolumeStart) +
                              " --end " +
                              std::to_string(NtfsImage::kVolumeStart + NtfsImage::kVolumeSectors);
    const fs::path out = dir / "out";
    cli(image->path(), "save --replace yes-all --to " + shellQuote(out.string()) + range);
    int compared = 0;
    for (const auto& [path, file] : image->files()) {
        const fs::path saved = out / fs::u8path(path);
        if (!fs::exists(saved))
            continue;
        EXPECT_EQ(format(mtimeOf(saved), "%Y-%m-%d %H:%M:%S", true),
                  istatModified(image->path(), file.record))
            << path;
        ++compared;
    }
    for (const auto& [path, record] : image->folders()) {
        const fs::path saved = out / fs::u8path(path);
        if (!fs::is_directory(saved))
            continue;
        EXPECT_EQ(format(mtimeOf(saved), "%Y-%m-%d %H:%M:%S", true),
                  istatModified(image->path(), record))
            << path << "/";
        ++compared;
    }
    EXPECT_GE(compared, static_cast<int>(image->files().size() / 2));
}

} // namespace
} // namespace qr::test
