// The map beside an image: the names ddrescue users give it, found in order and never
// the image itself; a map applied to the image makes exactly its unrescued sectors
// unreadable, and a map of another size is refused with its line.
#include "rescue/ImageMapFile.h"
#include "disk/DeviceFile.h"
#include "disk/SectorReader.h"
#include "rescue/RescueMap.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>

namespace qr::test {
namespace {

namespace fs = std::filesystem;

void touch(const fs::path& file, const std::string& text = "") {
    std::ofstream(file) << text;
}

TEST(ImageMapFile, FindsTheMapsDdrescueUsersName) {
    TempDir dir;
    const std::string image = (dir / "card.img").string();
    EXPECT_EQ(rescue::MapPathFor(image), image + ".map");
    const std::vector<std::string> names = rescue::MapNamesBeside(image);
    ASSERT_EQ(names.size(), 6u);
    EXPECT_EQ(names[2], image + ".log");
    EXPECT_EQ(names[3], (dir / "card.map").string());
    // No extension: only the appended names.
    EXPECT_EQ(rescue::MapNamesBeside((dir / "card").string()).size(), 3u);

    touch(image);
    EXPECT_FALSE(rescue::MapBesideImage(image));
    touch(dir / "card.log");
    EXPECT_EQ(rescue::MapBesideImage(image), (dir / "card.log").string());
    touch(dir / "card.img.mapfile");
    EXPECT_EQ(rescue::MapBesideImage(image), image + ".mapfile") << "IMAGE.* comes first";
    fs::create_directory(image + ".map"); // a folder is no map
    EXPECT_EQ(rescue::MapBesideImage(image), image + ".mapfile");
    // An image named like a map is not its own map.
    const std::string odd = (dir / "odd.map").string();
    touch(odd);
    EXPECT_FALSE(rescue::MapBesideImage(odd));
}

TEST(ImageMapFile, UnrescuedSectorsReadAsUnreadable) {
    TempDir dir;
    const fs::path image = dir / "card.img";
    touch(image, std::string(16 * 512, 'x'));
    rescue::RescueMap map(16 * 512);
    map.mark(0, 16 * 512, rescue::BlockState::Rescued);
    map.mark(3 * 512, 2 * 512, rescue::BlockState::Bad);
    map.mark(10 * 512 + 100, 10, rescue::BlockState::NotTried); // part of one sector
    ASSERT_TRUE(rescue::SaveRescueMap((dir / "card.map").string(), map, "test"));

    disk::SectorReader reader({}, std::make_shared<disk::PosixDeviceOpener>());
    reader.paths().setName(0, image.string());
    EXPECT_EQ(rescue::ApplyImageMap(reader, image.string(), (dir / "card.map").string()), "");
    std::vector<unsigned char> buffer(16 * 512);
    EXPECT_EQ(reader.readSectors(0, 16, buffer.data()), disk::ReadStatus::Partial);
    const disk::FailedSectors& failed = reader.failedSectors();
    EXPECT_FALSE(failed.any(0, 3));
    EXPECT_TRUE(failed.any(3, 1));
    EXPECT_TRUE(failed.any(4, 1));
    EXPECT_FALSE(failed.any(5, 5));
    EXPECT_TRUE(failed.any(10, 1)) << "a sector partly unrescued is unreadable";
    EXPECT_FALSE(failed.any(11, 5));
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(buffer[3 * 512], 0) << "an unreadable sector comes back as zeros";

    // A map of another medium's size names the line that shows it.
    touch(dir / "short.map", "0x0 ?\n0x0 0x200 +\n");
    const std::string refusal =
        rescue::ApplyImageMap(reader, image.string(), (dir / "short.map").string());
    EXPECT_EQ(refusal.rfind((dir / "short.map").string() + ":", 0), 0u) << refusal;
    EXPECT_NE(rescue::ApplyImageMap(reader, image.string(), (dir / "none.map").string())
                  .find("cannot read the map"),
              std::string::npos);
}

} // namespace
} // namespace qr::test
