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
#include <sys/sysmacros.h>
#include <unistd.h>

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

// A made-up system with two loop devices over one image: the source is the first,
// the destination lies on a file system mounted from the second, or from a mapped
// device built on it.
TEST(DestinationSafety, SecondLoopDeviceOverTheSameImageIsTheSameMedium) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a device node needs root";
    test::TempDir dir;
    const fs::path image = dir / "card.img", source = dir / "loop0";
    std::ofstream(image) << "image";
    ASSERT_EQ(::mknod(source.c_str(), S_IFBLK | 0600, ::makedev(7, 0)), 0);
    const fs::path sys = dir / "sys", proc = dir / "proc", mnt = dir / "mnt", dm = dir / "dm";
    fs::create_directories(sys / "block");
    fs::create_directories(sys / "dev/block");
    fs::create_directories(proc / "self");
    fs::create_directories(mnt);
    fs::create_directories(dm);
    const auto device = [&](const std::string& name, const std::string& number) {
        const fs::path folder = sys / "devices" / name;
        fs::create_directories(folder / "slaves");
        std::ofstream(folder / "dev") << number << "\n";
        fs::create_directory_symlink(folder, sys / "block" / name);
        fs::create_directory_symlink(folder, sys / "dev/block" / number);
        return folder;
    };
    for (const auto& [name, number] : {std::pair{"loop0", "7:0"}, {"loop1", "7:1"}}) {
        const fs::path folder = device(name, number);
        fs::create_directories(folder / "loop");
        std::ofstream(folder / "loop/backing_file") << image.string() << "\n";
    }
    fs::create_directory_symlink(sys / "devices/loop1", device("dm-0", "253:0") / "slaves/loop1");
    std::ofstream(proc / "self/mountinfo")
        << "27 1 254:0 / / rw - ext4 /dev/vda rw\n"
        << "90 27 7:1 / " << mnt.string() << " rw - vfat /dev/loop1 rw\n"
        << "91 27 253:0 / " << dm.string() << " rw - vfat /dev/dm-0 rw\n";
    const SystemRoots roots{proc.string(), sys.string()};
    EXPECT_NE(DestinationRefusal(source.string(), (mnt / "saved").string(), roots), "");
    EXPECT_NE(DestinationRefusal(source.string(), (dm / "saved").string(), roots), "");
    EXPECT_NE(DestinationRefusal(image.string(), (dm / "saved").string(), roots), "");
    EXPECT_EQ(DestinationRefusal(source.string(), (dir / "elsewhere").string(), roots), "");
}

// The same on the real system, when loop devices can be set up.
TEST(DestinationSafety, RealSecondLoopDeviceIsRefused) {
    if (::geteuid() != 0 || !test::haveTools({"losetup", "mkfs.ext4", "mount", "umount"}))
        GTEST_SKIP() << "needs root, losetup, mkfs.ext4 and mount";
    test::TempDir dir;
    const std::string image = (dir / "card.img").string(), mnt = (dir / "mnt").string();
    fs::create_directories(mnt);
    test::runOrFail("truncate -s 8M " + test::shellQuote(image) + " && mkfs.ext4 -q -F " +
                    test::shellQuote(image));
    const auto attach = [&](const std::string& flags) {
        auto r = test::run("losetup -f --show " + flags + test::shellQuote(image) + " 2>/dev/null");
        while (!r.output.empty() && r.output.back() == '\n')
            r.output.pop_back();
        return r.exitCode == 0 ? r.output : std::string();
    };
    const std::string source = attach("-r "), second = attach("");
    const bool mounted =
        !second.empty() && test::run("mount " + second + " " + test::shellQuote(mnt)).exitCode == 0;
    std::string refusal = "not tried", outside = "not tried";
    if (mounted && !source.empty()) {
        refusal = DestinationRefusal(source, mnt + "/saved");
        outside = DestinationRefusal(source, (dir / "saved").string());
    }
    if (mounted)
        test::run("umount " + test::shellQuote(mnt));
    for (const std::string& loop : {source, second})
        if (!loop.empty())
            test::run("losetup -d " + loop);
    if (!mounted || source.empty())
        GTEST_SKIP() << "no free loop devices or no mount";
    EXPECT_NE(refusal, "");
    EXPECT_EQ(outside, "");
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
