// The Advanced NTFS search end to end through recovery-cli: the whole disk swept for
// records, the volume found by its boot sector or, with both boot sectors wiped,
// inferred from pairs of directories; its files listed under their folders and saved
// byte for byte.
#include "support/NtfsImages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace qr::ntfs {
namespace {

using test::NtfsImage;

void zeroSector(const std::filesystem::path& image, std::uint64_t sector) {
    std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(sector * 512));
    const std::string zeros(512, '\0');
    file.write(zeros.data(), 512);
}

class NtfsAdvancedCommands : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        image = NtfsImage::shared(&why);
        if (!image)
            GTEST_SKIP() << why;
    }
    // Runs the command over the whole disk; stdout and stderr apart.
    std::string cli(const std::filesystem::path& disk, const std::string& command,
                    std::string* err = nullptr, int wantExit = 0) {
        const std::filesystem::path errFile = dir / "stderr.txt";
        const std::uint64_t sectors = std::filesystem::file_size(disk) / 512;
        const test::CommandResult r = test::run(
            "( " + std::string(RECOVERY_CLI) + " --image " + test::shellQuote(disk.string()) + " " +
            command + " --mode advanced --fs NTFS --start 0 --end " + std::to_string(sectors) +
            " 2>" + test::shellQuote(errFile.string()) + " )");
        if (err)
            *err = test::ReadWholeFile(errFile);
        EXPECT_EQ(r.exitCode, wantExit) << r.output << test::ReadWholeFile(errFile);
        return r.output;
    }
    // A copy of the image with both boot sectors of its volume wiped.
    std::filesystem::path withoutBootSectors() {
        const std::filesystem::path copy = dir / "noboot.img";
        std::filesystem::copy_file(image->path(), copy);
        zeroSector(copy, NtfsImage::kVolumeStart);
        zeroSector(copy, NtfsImage::kVolumeStart + NtfsImage::kVolumeSectors - 1);
        zeroSector(copy, NtfsImage::kVolumeStart + NtfsImage::kVolumeSectors / 2);
        return copy;
    }
    void expectLiveFilesListed(const std::string& listing) {
        for (const auto& [path, file] : image->files()) {
            if (file.deleted)
                continue;
            const std::string line = "\n" + path + "\t";
            const auto at = listing.find(line);
            ASSERT_NE(at, std::string::npos) << path << "\n" << listing;
            const std::string rest = listing.substr(at + line.size(), 40);
            EXPECT_NE(rest.rfind("Deleted", 0), 0u) << path << ": " << rest;
            EXPECT_NE(rest.find("\t" + std::to_string(file.content.size()) + "\t"),
                      std::string::npos)
                << path << ": " << rest;
        }
        for (const auto& [path, number] : image->folders())
            EXPECT_NE(listing.find("\n" + path + "\tFOLDER"), std::string::npos) << path;
    }
    void expectLiveFilesSaved(const std::filesystem::path& disk) {
        const std::filesystem::path to = dir / "saved";
        cli(disk, "save --to " + test::shellQuote(to.string()));
        for (const auto& [path, file] : image->files()) {
            if (file.deleted)
                continue;
            SCOPED_TRACE(path);
            const std::filesystem::path saved = to / std::filesystem::u8path(path);
            ASSERT_TRUE(std::filesystem::exists(saved));
            EXPECT_TRUE(test::ReadWholeFile(saved) == file.content);
        }
    }
    const NtfsImage* image = nullptr;
    test::TempDir dir;
};

TEST_F(NtfsAdvancedCommands, TheVolumeIsFoundByItsBootSectorAndItsFilesListedUnderTheirFolders) {
    std::string err;
    const std::string listing = cli(image->path(), "list", &err);
    EXPECT_NE(err.find("File System 1 - NTFS  Partition Type : NTFS  File System Start : 2048  "
                       "Sectors Per Clusters : 8"),
              std::string::npos)
        << err;
    expectLiveFilesListed(listing);
    EXPECT_EQ(listing.find("$MFT\t"), std::string::npos);
    // Deleted files keep their label wherever they are listed.
    for (const auto& [path, file] : image->files()) {
        if (!file.deleted)
            continue;
        const std::string name = path.substr(path.rfind('/') + 1);
        const auto at = listing.find("/" + name + "\t");
        const auto top = listing.find("\n" + name + "\t");
        const auto found = at != std::string::npos ? at + 1 : top + 1;
        if (at == std::string::npos && top == std::string::npos)
            continue; // a deleted file whose folder could not be placed
        EXPECT_EQ(listing.compare(found + name.size() + 1, 7, "Deleted"), 0) << path;
    }
    for (const auto& [path, number] : image->deletedFolders()) {
        const std::string name = path.substr(path.rfind('/') + 1);
        const auto at = listing.find(name + "\tDeleted");
        EXPECT_NE(at, std::string::npos) << path << "\n" << listing;
    }
}

TEST_F(NtfsAdvancedCommands, SaveWritesTheLiveFilesByteForByte) {
    expectLiveFilesSaved(image->path());
}

TEST_F(NtfsAdvancedCommands, WithoutBootSectorsTheVolumeIsInferredFromDirectoryPairs) {
    const std::filesystem::path disk = withoutBootSectors();
    std::string err;
    const std::string listing = cli(disk, "list", &err);
    EXPECT_NE(err.find("File System Start : 2048  Sectors Per Clusters : 8"), std::string::npos)
        << err;
    expectLiveFilesListed(listing);
    expectLiveFilesSaved(disk);
}

// The volume the search picked (its start and cluster size, not the searched range)
// comes back with the log: the tree is the same and the files are read from it.
TEST_F(NtfsAdvancedCommands, ALogOfTheSearchGivesBackThePickedVolume) {
    const std::filesystem::path log = dir / "advanced.DMS";
    const std::string listing = cli(image->path(), "list --save-log " + test::shellQuote(log));
    const auto fromLog = [&](const std::string& command) {
        const test::CommandResult r = test::run(
            std::string(RECOVERY_CLI) + " --image " + test::shellQuote(image->path().string()) +
            " " + command + " --log " + test::shellQuote(log.string()) + " 2>/dev/null");
        EXPECT_EQ(r.exitCode, 0) << command << "\n" << r.output;
        return r.output;
    };
    EXPECT_EQ(fromLog("list"), listing);
    const std::filesystem::path to = dir / "fromlog";
    fromLog("save --to " + test::shellQuote(to.string()));
    for (const auto& [path, file] : image->files()) {
        if (file.deleted)
            continue;
        SCOPED_TRACE(path);
        EXPECT_TRUE(test::ReadWholeFile(to / std::filesystem::u8path(path)) == file.content);
    }
}

TEST_F(NtfsAdvancedCommands, ADiskWithoutRecordsIdentifiesNoVolume) {
    const std::filesystem::path blank = dir / "blank.img";
    test::runOrFail("truncate -s 8M " + test::shellQuote(blank.string()));
    std::string err;
    cli(blank, "list", &err, 1);
    EXPECT_NE(err.find("No file sytem could be identified"), std::string::npos) << err;
}

TEST_F(NtfsAdvancedCommands, StopDuringTheSweepAssignsTheRecordsFoundSoFar) {
    // The volume's metadata and first folders lie in its first megabytes: a sweep
    // stopped there still finds the volume, with fewer records.
    std::string err;
    const std::string listing = cli(image->path(), "list --stop-after-sectors 60000", &err);
    EXPECT_NE(err.find("File System 1 - NTFS"), std::string::npos) << err;
    EXPECT_NE(listing.find("Lost\tFOLDER"), std::string::npos) << listing;
}

} // namespace
} // namespace qr::ntfs
