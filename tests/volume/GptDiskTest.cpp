// recovery-cli on a GPT disk made with sfdisk (FAT32, NTFS and exFAT volumes filled
// through mtools and mounts), and on the same disk with its primary header and entry
// array zeroed; The Sleuth Kit's mmls is the oracle for every start and end.
#include "support/GptImages.h"
#include "support/MmlsListing.h"
#include "support/NtfsImages.h"
#include "support/TestSupport.h"
#include "support/VolumeImages.h"

#include <gtest/gtest.h>
#include <sstream>

namespace qr::volume {
namespace {

namespace fs = std::filesystem;

using test::cli;

std::vector<std::string> mmlsPartitions(const fs::path& image) {
    return test::MmlsPartitions(image, "-t gpt");
}

using test::ListedPartitions;

void expectListedAndSaved(const test::GptImage& gpt, const fs::path& image, const fs::path& out) {
    const std::string listing = cli(image, "partitions --disk 0");
    std::string expected;
    for (std::size_t k = 0; k < gpt.volumes().size(); ++k) {
        const auto& v = gpt.volumes()[k];
        expected += "Partition - " + std::to_string(k + 1) + " ( " + v.fileSystem + " )\t" +
                    std::to_string(v.start) + "\t" + std::to_string(v.start + v.sectors) + "\n";
    }
    EXPECT_EQ(listing, expected);
    EXPECT_EQ(ListedPartitions(listing), mmlsPartitions(image));
    for (std::size_t k = 0; k < gpt.volumes().size(); ++k) {
        const fs::path to = out / std::to_string(k + 1);
        cli(image, "save --disk 0 --partition " + std::to_string(k + 1) +
                       " --replace yes-all --to " + test::shellQuote(to.string()));
        for (const auto& [name, content] : gpt.volumes()[k].files) {
            const fs::path saved = to / name;
            EXPECT_TRUE(fs::exists(saved)) << saved;
            EXPECT_TRUE(test::ReadWholeFile(saved) == content) << saved;
        }
        const fs::path lost = out / ("deleted-" + std::to_string(k + 1));
        cli(image, "save --disk 0 --partition " + std::to_string(k + 1) +
                       " --deleted deleted --replace yes-all --to " +
                       test::shellQuote(lost.string()));
        for (const auto& [name, content] : gpt.volumes()[k].deleted)
            EXPECT_TRUE(test::ReadWholeFile(lost / name) == content) << lost / name;
    }
}

TEST(GptDisk, EveryPartitionIsListedAtTheStartAndEndMmlsGivesAndSavedByteExact) {
    std::string why;
    const test::GptImage* gpt = test::GptImage::shared(&why);
    if (!gpt)
        GTEST_SKIP() << why;
    test::TempDir dir;
    expectListedAndSaved(*gpt, gpt->path(), dir / "out");
    const std::string details = cli(gpt->path(), "details --disk 0");
    EXPECT_NE(details.find("Partition Table                          : GPT, primary header "
                           "(sector 1)\n"),
              std::string::npos)
        << details;
    EXPECT_EQ(details.find("GPT Check"), std::string::npos) << details;
}

TEST(GptDisk, ZeroedPrimaryHeaderAndArrayAreReadFromTheBackup) {
    std::string why;
    const test::GptImage* gpt = test::GptImage::shared(&why);
    if (!gpt)
        GTEST_SKIP() << why;
    test::TempDir dir;
    const fs::path copy = dir / "backup-only.img";
    gpt->copyWithoutPrimary(copy);
    expectListedAndSaved(*gpt, copy, dir / "out");
    const std::string details = cli(copy, "details --disk 0");
    EXPECT_NE(details.find("GPT, backup header (sector " + std::to_string(gpt->sectors() - 1) +
                           ") in place of the damaged primary"),
              std::string::npos)
        << details;
    EXPECT_NE(details.find("The primary GPT header at sector 1 has no GPT signature"),
              std::string::npos)
        << details;
}

TEST(GptDisk, NtfsBeyondTwoTebibytesIsListedAndSavedByteExact) {
    test::TempDir dir;
    const fs::path image = dir / "3tib.img";
    const std::uint64_t start = (std::uint64_t{1} << 32) + 2048;
    const std::uint64_t sectors = 409600;
    const std::map<std::string, std::string> files{{"FAR.BIN", test::NoiseBytes(1000000, 5)},
                                                   {"DEEP/HELLO.TXT", "beyond 2 TiB\n"}};
    std::string why;
    if (!test::MakeFarNtfsDisk(image, start, sectors, files, why))
        GTEST_SKIP() << why;
    const std::string listing = cli(image, "partitions --disk 0");
    EXPECT_EQ(listing, "Partition - 1 ( NTFS )\t" + std::to_string(start) + "\t" +
                           std::to_string(start + sectors) + "\n");
    EXPECT_EQ(ListedPartitions(listing), mmlsPartitions(image));
    cli(image, "save --disk 0 --partition 1 --to " + test::shellQuote((dir / "out").string()));
    for (const auto& [name, content] : files)
        EXPECT_TRUE(test::ReadWholeFile(dir / "out" / name) == content) << name;
}

} // namespace
} // namespace qr::volume
