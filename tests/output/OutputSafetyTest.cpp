// Output names that can always be created inside the destination, and destinations
// on the medium under recovery refused.
#include "output/CreateDirectoryPath.h"
#include "output/DestinationSafety.h"
#include "output/SafeOutputName.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace qr::output {
namespace {

namespace fs = std::filesystem;

TEST(SafeOutputName, KeepsGoodNamesAndMendsTheRest) {
    EXPECT_EQ(SafeOutputName("REPORT.DOC"), "REPORT.DOC");
    EXPECT_EQ(SafeOutputName("Notes: draft.txt"), "Notes: draft.txt");
    EXPECT_EQ(SafeOutputName(""), "unnamed");
    EXPECT_EQ(SafeOutputName("."), "_.");
    EXPECT_EQ(SafeOutputName(".."), "_..");
    EXPECT_EQ(SafeOutputName("../../etc/passwd"), ".._.._etc_passwd");
    EXPECT_EQ(SafeOutputName("a\\b"), "a_b");
    EXPECT_EQ(SafeOutputName(std::string("a\0b", 3)), "a_b");
}

TEST(SafeOutputName, LongNamesKeepTheirExtensionAndWholeCharacters) {
    const std::string stem(300, 'x');
    const std::string cut = SafeOutputName(stem + ".docx", 255);
    EXPECT_EQ(cut.size(), 255u);
    EXPECT_EQ(cut.substr(cut.size() - 5), ".docx");
    std::string umlauts;
    for (int i = 0; i < 200; ++i)
        umlauts += "\xC3\xA4"; // two bytes each
    const std::string u = SafeOutputName(umlauts + ".txt", 255);
    EXPECT_LE(u.size(), 255u);
    EXPECT_EQ(u.substr(u.size() - 4), ".txt");
    EXPECT_EQ((u.size() - 4) % 2, 0u); // no character split
}

TEST(CreateDirectoryPath, MakesEveryMissingLevelAndPassesOverFailures) {
    test::TempDir dir;
    const std::string deep = (dir / "a" / "b" / "c").string();
    EXPECT_TRUE(CreateDirectoryPath(deep));
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_TRUE(CreateDirectoryPath(deep)); // exists already
    std::ofstream(dir / "file") << "x";
    EXPECT_FALSE(CreateDirectoryPath((dir / "file" / "below").string()));
}

TEST(DestinationSafety, ImageItselfAndItsLoopMountAreRefusedButItsFolderIsFine) {
    test::TempDir dir;
    const fs::path image = dir / "card.img";
    std::ofstream(image) << "image";
    EXPECT_NE(DestinationRefusal(image.string(), image.string()), "");
    EXPECT_EQ(DestinationRefusal(image.string(), (dir / "out").string()), "");

    // A made-up system: loop7 backed by the image, mounted on dir/mnt.
    const fs::path sys = dir / "sys", proc = dir / "proc", mnt = dir / "mnt";
    fs::create_directories(sys / "devices/loop7/loop");
    fs::create_directories(sys / "block");
    fs::create_directories(sys / "dev/block");
    fs::create_directories(proc / "self");
    fs::create_directories(mnt / "photos");
    std::ofstream(sys / "devices/loop7/dev") << "7:7\n";
    std::ofstream(sys / "devices/loop7/loop/backing_file") << image.string() << "\n";
    fs::create_directory_symlink(sys / "devices/loop7", sys / "block/loop7");
    fs::create_directory_symlink(sys / "devices/loop7", sys / "dev/block/7:7");
    std::ofstream(proc / "self/mountinfo")
        << "27 1 254:0 / / rw - ext4 /dev/vda rw\n"
        << "90 27 7:7 / " << mnt.string() << " rw - vfat /dev/loop7 rw\n";
    const SystemRoots roots{proc.string(), sys.string()};
    EXPECT_NE(DestinationRefusal(image.string(), (mnt / "photos" / "new").string(), roots), "");
    EXPECT_EQ(DestinationRefusal(image.string(), (dir / "elsewhere").string(), roots), "");
}

TEST(DestinationSafety, FolderOnTheRecoveredBlockDeviceIsRefused) {
    // The device the root file system is mounted from, when it is a real block device.
    std::ifstream in("/proc/self/mountinfo");
    std::string line, device;
    while (std::getline(in, line)) {
        std::istringstream f(line);
        std::string id, parent, number, root, point, word;
        f >> id >> parent >> number >> root >> point;
        if (point != "/")
            continue;
        while (f >> word && word != "-") {
        }
        f >> word >> device;
    }
    struct stat st {};
    if (device.empty() || ::stat(device.c_str(), &st) != 0 || !S_ISBLK(st.st_mode))
        GTEST_SKIP() << "the root file system is not on a visible block device";
    test::TempDir dir;
    EXPECT_NE(DestinationRefusal(device, (dir / "saved").string()), "");
}

TEST(DestinationSafety, OutputFilesMustBeRegularAndNotTheSource) {
    test::TempDir dir;
    const fs::path image = dir / "card.img";
    std::ofstream(image) << "image";
    EXPECT_EQ(OutputFileRefusal(image.string(), (dir / "new.txt").string()), "");
    EXPECT_NE(OutputFileRefusal(image.string(), image.string()), "");
    fs::create_symlink(image, dir / "link.img");
    EXPECT_NE(OutputFileRefusal(image.string(), (dir / "link.img").string()), "");
    EXPECT_NE(OutputFileRefusal(image.string(), "/dev/null"), "");
}

} // namespace
} // namespace qr::output
