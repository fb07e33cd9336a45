// list --recoverability on FAT16, FAT32, exFAT and NTFS volumes made with the real
// tools: photos written until the volume is full, every other one deleted, then new
// files written, which can only take the freed clusters. The Sleuth Kit's icat of each
// deleted photo tells whether its bytes are still there; the engines must call at
// least 95% of those "intact" and at least 90% of the others something else.
#include "support/NtfsImages.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <unistd.h>

namespace qr::test {
namespace {

namespace fs = std::filesystem;

struct Volume {
    std::string name;    // as --fs takes it
    std::string tools;   // what the build script runs, for the skip message
    std::uint64_t mib;   // volume size
    std::string make;    // makes $VOL
    std::string mount;   // mounts $VOL on $MNT
    std::string unmount; // undoes the mount
    bool mtools = false; // files are copied with mtools instead of through a mount
};

void PrintTo(const Volume& volume, std::ostream* out) {
    *out << volume.name;
}

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// A deleted FAT entry loses its first letter: photos are told apart by the rest.
std::string keyOf(const std::string& path) {
    const std::string name = path.substr(path.rfind('/') + 1);
    return name.empty() ? name : upper(name.substr(1));
}

class Recoverability : public ::testing::TestWithParam<Volume> {
protected:
    TempDir dir;
    fs::path vol = dir / "vol.img", mnt = dir / "mnt", src = dir / "src";
    std::map<std::string, std::string> originals; // key -> content of each deleted photo

    // Photos until the volume is full, every other one deleted, then new files.
    bool build(std::string& why) {
        const Volume& v = GetParam();
        fs::create_directories(mnt);
        fs::create_directories(src);
        const std::uint64_t photos = v.mib * 1024 * 1024 / 40000 + 8;
        std::ostringstream script;
        script << "set -e\nVOL=" << shellQuote(vol.string()) << "\nMNT=" << shellQuote(mnt.string())
               << "\ntruncate -s " << v.mib << "M \"$VOL\"\n"
               << v.make << "\n";
        if (!v.mtools)
            script << v.mount << "\n";
        // A copy that does not fit is removed and ends the loop; whole ones are noted.
        const fs::path written = dir / "written";
        const auto copy = [&](const std::string& name) {
            const std::string to = v.mtools ? "::/" + name : "\"$MNT\"/" + name;
            const std::string put = v.mtools ? "MTOOLS_SKIP_CHECK=1 mcopy -i \"$VOL\" " : "cp ";
            const std::string drop = v.mtools ? "MTOOLS_SKIP_CHECK=1 mdel -i \"$VOL\" " : "rm -f ";
            return put + shellQuote((src / name).string()) + " " + to + " 2>/dev/null && echo " +
                   name + " >> " + shellQuote(written.string()) + " || { " + drop + to +
                   " 2>/dev/null || true; break; }\n";
        };
        const auto remove = [&](const std::string& name) {
            return v.mtools ? "MTOOLS_SKIP_CHECK=1 mdel -i \"$VOL\" ::/" + name +
                                  " 2>/dev/null || true\n"
                            : "rm -f \"$MNT\"/" + name + "\n";
        };
        std::string writes = "for once in 1; do\n", deletes, news = "for once in 1; do\n";
        for (std::uint64_t i = 0; i < photos; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "IMG_%04u.JPG", static_cast<unsigned>(i));
            // A JPEG start, then noise: 24 to 56 KiB.
            std::string content = "\xFF\xD8\xFF\xE0";
            content +=
                NoiseBytes(24 * 1024 + (i * 7919) % (32 * 1024), static_cast<std::uint32_t>(i));
            std::ofstream(src / name, std::ios::binary) << content;
            writes += copy(name);
            if (i % 2 == 0) {
                deletes += remove(name);
                originals[upper(std::string(name).substr(1))] = content;
            }
        }
        for (int i = 0; i < 12; ++i) {
            const std::string name = "NEW_" + std::to_string(i) + ".BIN";
            std::ofstream(src / name, std::ios::binary) << NoiseBytes(90 * 1024, 500 + i);
            news += copy(name);
        }
        script << writes << "done\n" << deletes << news << "done\n";
        if (!v.mtools)
            script << v.unmount << "\n";
        std::ofstream(dir / "build.sh") << script.str();
        if (!runStep("bash " + shellQuote((dir / "build.sh").string()) + " 2>&1", why))
            return false;
        // Only photos written whole count.
        std::map<std::string, std::string> whole;
        std::ifstream names(written);
        for (std::string name; std::getline(names, name);)
            if (const auto found = originals.find(upper(name.substr(1))); found != originals.end())
                whole.insert(*found);
        originals = std::move(whole);
        return true;
    }
};

TEST_P(Recoverability, DeletedPhotosAreJudgedByWhatIsStillThere) {
    const Volume& v = GetParam();
    if (::geteuid() != 0 && !v.mtools)
        GTEST_SKIP() << "mounting needs root";
    if (!haveTools({"fls", "icat"}))
        GTEST_SKIP() << "The Sleuth Kit missing";
    std::string why;
    if (!build(why))
        GTEST_SKIP() << v.tools << " could not build the volume: " << why;

    const std::uint64_t sectors = v.mib * 2048;
    const CommandResult listed =
        run(std::string(RECOVERY_CLI) + " --image " + shellQuote(vol.string()) +
            " list --recoverability --fs " + v.name + " --start 0 --end " +
            std::to_string(sectors) + " 2>/dev/null");
    ASSERT_EQ(listed.exitCode, 0) << listed.output;
    std::map<std::string, std::string> judged; // key -> sixth column
    std::istringstream lines(listed.output);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find('\t') == std::string::npos)
            continue; // a progress line
        std::vector<std::string> cells;
        std::istringstream fields(line);
        std::string cell;
        while (std::getline(fields, cell, '\t'))
            cells.push_back(cell);
        ASSERT_EQ(cells.size(), 6u) << line;
        if (cells[1] == "FOLDER" || cells[1] == "Deleted FOLDER")
            EXPECT_EQ(cells[5], "-") << line;
        else if (cells[1].rfind("Deleted", 0) != 0)
            EXPECT_EQ(cells[5], "live") << line;
        else
            judged[keyOf(cells[0])] = cells[5];
    }

    // The oracle: icat of each deleted photo's entry as fls lists it.
    int stillThere = 0, calledIntact = 0, gone = 0, calledOtherwise = 0;
    std::istringstream entries(
        runOrFail("fls -r -d -p " + shellQuote(vol.string()) + " 2>/dev/null"));
    while (std::getline(entries, line)) {
        const auto star = line.find("* ");
        const auto colon = line.find(":\t");
        if (star == std::string::npos || colon == std::string::npos)
            continue;
        const std::string inode = line.substr(star + 2, colon - star - 2);
        const std::string key = keyOf(line.substr(colon + 2));
        const auto original = originals.find(key);
        const auto verdict = judged.find(key);
        if (original == originals.end() || verdict == judged.end())
            continue;
        const CommandResult bytes =
            run("icat " + shellQuote(vol.string()) + " " + inode + " 2>/dev/null");
        if (bytes.output == original->second) {
            ++stillThere;
            calledIntact += verdict->second == "intact";
            EXPECT_EQ(verdict->second, "intact") << key; // a miss is told, the rate decides
        } else {
            ++gone;
            calledOtherwise += verdict->second != "intact";
        }
    }
    std::cout << v.name << ": " << calledIntact << " of " << stillThere
              << " deleted photos whose bytes are there called intact, " << calledOtherwise
              << " of " << gone << " overwritten ones called otherwise\n";
    ASSERT_GT(stillThere, 3) << "the volume keeps too few deleted photos";
    ASSERT_GT(gone, 3) << "too few deleted photos were overwritten";
    EXPECT_GE(calledIntact * 100, stillThere * 95);
    EXPECT_GE(calledOtherwise * 100, gone * 90);
}

const Volume kVolumes[] = {
    {"FAT16", "mkfs.fat, mtools", 16, "mkfs.fat -F 16 -s 4 \"$VOL\" >/dev/null", "", "", true},
    {"FAT32", "mkfs.fat, mtools", 40, "mkfs.fat -F 32 -s 1 \"$VOL\" >/dev/null", "", "", true},
    {"exFAT", "mkfs.exfat, exfat-fuse, losetup", 16,
     "mkfs.exfat -c 4096 \"$VOL\" >/dev/null\nDEV=$(losetup -f --show \"$VOL\")",
     "mount.exfat-fuse \"$DEV\" \"$MNT\"", "umount \"$MNT\"; losetup -d \"$DEV\""},
    {"NTFS", "mkntfs, ntfs-3g", 16, "mkntfs -F -q -Q -c 4096 \"$VOL\" >/dev/null",
     "ntfs-3g \"$VOL\" \"$MNT\"", "umount \"$MNT\""},
};

INSTANTIATE_TEST_SUITE_P(FourFileSystems, Recoverability, ::testing::ValuesIn(kVolumes),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace qr::test
