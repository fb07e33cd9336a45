// The detection program, run as the listing runs it, over a made-up sysfs tree.
#include "disk/DiskRegistry.h"
#include "platform/FileRegistryStore.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace qr;

namespace {

constexpr auto HKCR = platform::RegistryRoot::ClassesRoot;

struct DetectorFixture : ::testing::Test {
    test::TempDir dir;
    std::filesystem::path sys = dir / "sys-block";
    std::filesystem::path registryFile = dir / "registry";
    platform::FileRegistryStore store{registryFile};

    void file(const std::filesystem::path& path, const std::string& text) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }
    void device(const std::string& name, std::uint64_t sectors, const std::string& removable,
                const std::string& modelFile = "", const std::string& model = "") {
        file(sys / name / "size", std::to_string(sectors) + "\n");
        file(sys / name / "removable", removable + "\n");
        if (!modelFile.empty())
            file(sys / name / modelFile, model);
    }
    test::CommandResult runDetector() {
        return test::run("QUARRIXDALE_REGISTRY=" + test::shellQuote(registryFile.string()) +
                         " QUARRIXDALE_SYSFS_BLOCK=" + test::shellQuote(sys.string()) +
                         " QUARRIXDALE_DEV_DIR=/nonexistent-dev " +
                         test::shellQuote(QUARRIXDALE_HDD) + " ''");
    }
    std::string value(const std::string& key, unsigned disk) {
        return store.value(HKCR, key, disk::diskValueName(disk)).value_or("<none>");
    }
};

} // namespace

TEST_F(DetectorFixture, ImagesFirstThenWholeDisksInNaturalOrder) {
    const auto image = dir / "card.img";
    test::runOrFail("truncate -s 64M " + test::shellQuote(image.string()));
    disk::RegisterDiskImages(store, {image.string(), (dir / "missing.img").string()});
    device("sdb", 2048, "1", "device/model", "Card Reader    \n");
    device("sda", 16777216, "0", "device/model", "FAKE SSD\n");
    device("mmcblk0", 31116288, "0", "device/name", "SD32G\n");
    device("mmcblk0boot0", 8192, "0");
    device("nvme0n1", 1000215216, "0", "device/model", "NVMe Disk\n");
    device("nvme0c0n1", 1000215216, "0");
    device("loop0", 0, "0"); // no backing file
    device("loop3", 4096, "0", "loop/backing_file", "/srv/images/usb.img\n");
    device("loop4", 4096, "0"); // not attached to a file
    device("sdc", 0, "1");      // a reader without a card
    device("zram0", 8192, "0");
    device("dm-0", 8192, "0");
    device("sdaa", 2048, "0");

    auto result = runDetector();
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find("missing.img"), std::string::npos) << "the bad image is named";

    const std::vector<std::string> paths = {
        std::filesystem::absolute(image).lexically_normal().string(),
        "/nonexistent-dev/loop3",
        "/nonexistent-dev/mmcblk0",
        "/nonexistent-dev/nvme0n1",
        "/nonexistent-dev/sda",
        "/nonexistent-dev/sdb",
        "/nonexistent-dev/sdaa"};
    for (unsigned n = 0; n < paths.size(); ++n) {
        EXPECT_EQ(value(disk::kPathKey, n), paths[n]) << n;
        EXPECT_EQ(value(disk::kMediaKey, n), paths[n]) << "the disk's mark is its path";
    }
    EXPECT_EQ(value(disk::kMediaKey, static_cast<unsigned>(paths.size())), "<none>");

    // The image: its file name, its size, a translated geometry.
    EXPECT_EQ(value(disk::kModelKey, 0), "card.img");
    EXPECT_EQ(value(disk::kMediaTypeKey, 0), "Image File");
    EXPECT_EQ(value(disk::kSizeKey, 0), "67108864");
    EXPECT_EQ(value(disk::kHeadKey, 0), "16");
    EXPECT_EQ(value(disk::kSectorsPerTrackKey, 0), "63");
    EXPECT_EQ(value(disk::kCylinderKey, 0), "130");
    // Devices: models from sysfs (trimmed), media type, an LBA geometry when the device
    // cannot be asked.
    EXPECT_EQ(value(disk::kModelKey, 1), "usb.img");
    EXPECT_EQ(value(disk::kModelKey, 2), "SD32G");
    EXPECT_EQ(value(disk::kModelKey, 5), "Card Reader");
    EXPECT_EQ(value(disk::kMediaTypeKey, 5), "Removable Media");
    EXPECT_EQ(value(disk::kMediaTypeKey, 4), "Fixed Media");
    EXPECT_EQ(value(disk::kSizeKey, 4), "8589934592");
    EXPECT_EQ(value(disk::kHeadKey, 4), "255");
    EXPECT_EQ(value(disk::kSectorsPerTrackKey, 4), "63");
    EXPECT_EQ(value(disk::kCylinderKey, 4), std::to_string(16777216 / (255 * 63)));
    EXPECT_EQ(value(disk::kModelKey, 6), "sdaa") << "no model file: the device name";
}

TEST_F(DetectorFixture, TranslatedGeometryOfLargerImages) {
    // 1024 cylinders of 255 heads and 63 sectors: the largest translated disk.
    const auto image = dir / "big.img";
    test::runOrFail("truncate -s 8422686720 " + test::shellQuote(image.string()));
    const auto mid = dir / "mid.img";
    test::runOrFail("truncate -s 1G " + test::shellQuote(mid.string()));
    disk::RegisterDiskImages(store, {image.string(), mid.string()});
    std::filesystem::create_directories(sys);
    ASSERT_EQ(runDetector().exitCode, 0);
    EXPECT_EQ(value(disk::kHeadKey, 0), "255");
    EXPECT_EQ(value(disk::kCylinderKey, 0), "1024");
    EXPECT_EQ(value(disk::kSizeKey, 0), "8422686720");
    EXPECT_EQ(value(disk::kHeadKey, 1), "64"); // 2097152 sectors need more than 32 heads
    EXPECT_EQ(value(disk::kCylinderKey, 1), std::to_string(2097152 / (64 * 63)));
}
