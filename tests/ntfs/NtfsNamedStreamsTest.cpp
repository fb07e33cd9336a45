// An NTFS file with two named data streams, written through an ntfs-3g mount with
// streams_interface=windows: the listing gives "name:stream" rows right after the
// file (its type, each stream's size), and save writes them beside it, as
// "name:stream", or as "name_stream" on a destination that refuses ":".
#include "support/NtfsImages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace qr::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kSectors = 16 * 2048;

class NtfsNamedStreams : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0 || !fs::exists("/dev/fuse") ||
            !haveTools({"mkntfs", "ntfs-3g", "truncate"}))
            GTEST_SKIP() << "mkntfs, ntfs-3g, FUSE and root are needed";
        const std::string vol = shellQuote(image.string()),
                          mnt = shellQuote((dir / "mnt").string());
        fs::create_directories(dir / "mnt");
        runOrFail("truncate -s " + std::to_string(kSectors * 512) + " " + vol +
                  " && mkntfs -F -Q -q -s 512 -c 4096 -p 0 " + vol +
                  " 2>/dev/null && ntfs-3g -o "
                  "streams_interface=windows " +
                  vol + " " + mnt);
        const auto put = [&](const std::string& name, const std::string& content) {
            std::ofstream(dir / "mnt" / name, std::ios::binary) << content;
        };
        put("report.doc", main);
        put("report.doc:alpha", alpha);
        put("report.doc:beta", beta);
        put("plain.txt", "no streams\n");
        runOrFail("umount " + mnt);
    }
    CommandResult cli(const std::string& command) {
        return run(std::string(RECOVERY_CLI) + " --image " + shellQuote(image.string()) + " " +
                   command + " --fs NTFS --start 0 --end " + std::to_string(kSectors) +
                   " </dev/null 2>&1");
    }
    void expectSaved(const fs::path& out, const std::string& separator) {
        const CommandResult r = cli("save --to " + shellQuote(out.string()));
        ASSERT_EQ(r.exitCode, 0) << r.output;
        EXPECT_EQ(ReadWholeFile(out / "report.doc"), main);
        EXPECT_EQ(ReadWholeFile(out / ("report.doc" + separator + "alpha")), alpha);
        EXPECT_EQ(ReadWholeFile(out / ("report.doc" + separator + "beta")), beta);
        int onDisk = 0;
        for (const auto& entry : fs::recursive_directory_iterator(out))
            onDisk += entry.is_regular_file() ? 1 : 0;
        EXPECT_NE(r.output.find("files written: " + std::to_string(onDisk) + "\n"),
                  std::string::npos)
            << r.output;
        EXPECT_EQ(onDisk, 4);
    }

    TempDir dir;
    fs::path image = dir / "ntfs.img";
    const std::string main = NoiseBytes(6000, 1), alpha = "x\n", beta = NoiseBytes(20000, 2);
};

TEST_F(NtfsNamedStreams, StreamsAreListedAfterTheirFileWithItsTypeAndTheirSizes) {
    const CommandResult r = cli("list");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(r.output);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');)
            fields.push_back(cell);
        if (fields.size() == 5)
            rows.push_back(fields);
    }
    std::size_t file = rows.size();
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i][0] == "report.doc")
            file = i;
    ASSERT_LT(file + 2, rows.size()) << r.output;
    EXPECT_EQ(rows[file][2], "6000");
    EXPECT_EQ(rows[file + 1][0], "report.doc:alpha");
    EXPECT_EQ(rows[file + 1][2], "2");
    EXPECT_EQ(rows[file + 2][0], "report.doc:beta");
    EXPECT_EQ(rows[file + 2][2], "20000");
    for (std::size_t i = 1; i <= 2; ++i) {
        EXPECT_EQ(rows[file + i][1], rows[file][1]) << "the stream has another type";
        EXPECT_EQ(rows[file + i][3], rows[file][3]);
    }
    EXPECT_EQ(r.output.find("plain.txt:"), std::string::npos);
}

TEST_F(NtfsNamedStreams, StreamsAreSavedBesideTheirFile) {
    expectSaved(dir / "out", ":");
}

// An NTFS destination mounted with windows_names refuses ":" in names, as FAT does.
TEST_F(NtfsNamedStreams, DestinationWithoutColonsGetsUnderscores) {
    const fs::path volume = dir / "destination.img", out = dir / "destination";
    fs::create_directories(out);
    runOrFail("truncate -s 8M " + shellQuote(volume.string()) + " && mkntfs -F -Q -q " +
              shellQuote(volume.string()) + " 2>/dev/null && ntfs-3g -o windows_names " +
              shellQuote(volume.string()) + " " + shellQuote(out.string()));
    expectSaved(out, "_");
    run("umount " + shellQuote(out.string()));
}

} // namespace
} // namespace qr::test
