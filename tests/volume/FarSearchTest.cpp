// The partition search over a whole 3 TiB sparse disk whose table is gone: the NTFS
// volume beyond 2^32 sectors is found, saved byte-exact, and its recovery log keeps the
// wide sector numbers so that the log alone lists what the search listed.
#include "support/GptImages.h"
#include "support/NtfsImages.h"
#include "support/TestSupport.h"
#include "support/VolumeImages.h"

#include <gtest/gtest.h>

namespace qr::volume {
namespace {

namespace fs = std::filesystem;

using test::cli;

TEST(FarSearch, AVolumeBeyondTwoToTheThirtySecondSectorIsFoundSavedAndLogged) {
    test::TempDir dir;
    const fs::path image = dir / "3tib.img";
    const std::uint64_t start = (std::uint64_t{1} << 32) + 2048;
    const std::uint64_t sectors = 409600;
    const std::map<std::string, std::string> files{{"FAR.BIN", test::NoiseBytes(300000, 7)},
                                                   {"DEEP/HELLO.TXT", "found far away\n"}};
    std::string why;
    if (!test::MakeFarNtfsDisk(image, start, sectors, files, why))
        GTEST_SKIP() << why;
    // The protective MBR and the primary GPT are gone: the disk start holds no table.
    test::runOrFail("dd if=/dev/zero of=" + test::shellQuote(image.string()) +
                    " bs=512 count=34 conv=notrunc status=none");
    // The search gives the volume's own size: NTFS leaves the partition's last sector out.
    const std::string listed = "Partition - 1 ( NTFS )\t" + std::to_string(start) + "\t" +
                               std::to_string(start + sectors - 1) + "\n";
    EXPECT_EQ(cli(image, "partitions --disk 0"), listed);

    cli(image, "save --disk 0 --partition 1 --to " + test::shellQuote((dir / "out").string()));
    for (const auto& [name, content] : files)
        EXPECT_TRUE(test::ReadWholeFile(dir / "out" / name) == content) << name;

    const std::string log = test::shellQuote((dir / "far.DMS").string());
    const std::string searched = cli(image, "list --disk 0 --partition 1 --save-log " + log);
    EXPECT_NE(searched.find("FAR.BIN"), std::string::npos) << searched;
    const std::string bytes = test::ReadWholeFile(dir / "far.DMS");
    EXPECT_NE(bytes.find(std::string("\0W64", 4)), std::string::npos);
    const std::string loaded = cli(image, "list --disk 0 --log " + log);
    EXPECT_NE(loaded.find("FAR.BIN"), std::string::npos) << loaded;
    EXPECT_NE(loaded.find("HELLO.TXT"), std::string::npos) << loaded;
    cli(image,
        "save --disk 0 --log " + log + " --to " + test::shellQuote((dir / "again").string()));
    for (const auto& [name, content] : files)
        EXPECT_TRUE(test::ReadWholeFile(dir / "again" / name) == content) << name;
}

} // namespace
} // namespace qr::volume
