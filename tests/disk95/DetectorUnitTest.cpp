// The detector's side of the unit exchange: the unit byte in, the geometry record out.
#include "disk/DiskRegistry.h"
#include "disk/GeometryResultFile.h"
#include "disk/ScratchFolder.h"
#include "platform/FileRegistryStore.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace qr;

namespace {

struct DetectorUnit : ::testing::Test {
    test::TempDir home;
    disk::ScratchFolder scratch;
    platform::FileRegistryStore registry{home / "registry"};
    std::string said;

    DetectorUnit() { std::filesystem::create_directories(home / "sys"); }

    // Runs the detector on `unitFile` as the unit file's content; the record it left,
    // if any.
    std::optional<disk::GeometryRecord> answer(const std::string& unitFile, int& exitCode) {
        std::ofstream(scratch.file(disk::kUnitFile), std::ios::binary) << unitFile;
        std::filesystem::remove(scratch.file(disk::kGeometryFile));
        const auto r = test::run(
            std::string(disk::kScratchFolderVariable) + "=" +
            test::shellQuote(scratch.path().string()) + " " + platform::kRegistryPathVariable +
            "=" + test::shellQuote((home / "registry").string()) +
            " QUARRIXDALE_SYSFS_BLOCK=" + test::shellQuote((home / "sys").string()) + " " +
            test::shellQuote(QUARRIXDALE_HDD) + " 2>&1");
        exitCode = r.exitCode;
        said = r.output;
        std::ifstream in(scratch.file(disk::kGeometryFile), std::ios::binary);
        if (!in)
            return std::nullopt;
        const std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in), {});
        return disk::ReadGeometryRecord(disk::ByteView(bytes.data(), bytes.size()));
    }
};

} // namespace

TEST_F(DetectorUnit, AKnownUnitGetsAGeometryCoveringItsDisk) {
    const auto image = home / "card.img";
    test::runOrFail("truncate -s 8M " + test::shellQuote(image.string()));
    disk::RegisterDiskImages(registry, {image.string()});
    int exitCode = -1;
    const auto record = answer("\x80", exitCode);
    EXPECT_EQ(exitCode, 0) << said;
    ASSERT_TRUE(record);
    EXPECT_TRUE(record->complete);
    EXPECT_GE(record->sizeBytes(), 8u << 20);
    EXPECT_LT(record->sizeBytes(),
              (8u << 20) + std::uint64_t{record->heads} * record->sectorsPerTrack * 512);
    platform::FileRegistryStore reader(home / "registry");
    EXPECT_EQ(reader.value(platform::RegistryRoot::ClassesRoot, disk::kPathKey, "Disk0"),
              image.string());
}

TEST_F(DetectorUnit, AUnitWithNoDiskBehindItGetsUnknownGeometryNotSilence) {
    disk::RegisterDiskImages(registry, {});
    int exitCode = -1;
    // A disk the library saw but that is gone now: the listing still gets its answer.
    auto record = answer("\x83", exitCode);
    EXPECT_EQ(exitCode, 0) << said;
    ASSERT_TRUE(record);
    EXPECT_EQ(record->cylinders, 0u);
    EXPECT_EQ(record->sizeBytes(), 0u);
    EXPECT_NE(said.find("no disk answers unit 131"), std::string::npos) << said;
    // No unit byte at all: nothing is answered.
    record = answer("", exitCode);
    EXPECT_NE(exitCode, 0);
    EXPECT_FALSE(record);
}
