// Mutated images through the whole search and save: FAT16 and FAT32 volumes made by the
// test-media kit, then bytes of their boot sectors, tables and directories changed at
// random (a fixed seed, so a failure repeats). Every run must end, within its budget,
// without a crash. QR_CAMPAIGN_RUNS sets the number of mutated images per volume for a
// long run by hand; QR_CAMPAIGN_SEEDS names a folder to write the unmutated images to,
// as the fuzz target's seeds (fuzz/campaign.sh).
#include "support/FatImages.h"
#include "support/SearchAndSave.h"
#include "support/TestSupport.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

namespace qr::test {
namespace {

std::vector<unsigned char> readImage(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t runsFromEnvironment(std::size_t fallback) {
    const char* runs = std::getenv("QR_CAMPAIGN_RUNS");
    return runs && *runs ? static_cast<std::size_t>(std::strtoull(runs, nullptr, 10)) : fallback;
}

void keepAsSeed(const std::filesystem::path& path) {
    if (const char* seeds = std::getenv("QR_CAMPAIGN_SEEDS"); seeds && *seeds) {
        std::filesystem::create_directories(seeds);
        std::filesystem::copy_file(path, std::filesystem::path(seeds) / path.filename(),
                                   std::filesystem::copy_options::overwrite_existing);
    }
}

// Fills a mounted volume: folders two deep, long names, a file across many clusters,
// a deleted file and a deleted folder.
void fillMounted(const std::filesystem::path& mnt) {
    namespace fs = std::filesystem;
    const auto write = [&](const std::string& relative, const std::string& content) {
        fs::create_directories((mnt / relative).parent_path());
        std::ofstream(mnt / relative, std::ios::binary) << content;
    };
    for (int i = 0; i < 6; ++i)
        write("DCIM/100CANON/IMG_" + std::to_string(1000 + i) + ".JPG",
              std::string(700 + 900 * i, static_cast<char>('a' + i)));
    write("Documents of the year/Budget.xls", std::string(40000, 'b'));
    write("README.TXT", "hello");
    write("GONE.TXT", std::string(5000, 'g'));
    write("Old/letter.doc", std::string(3000, 'l'));
    fs::remove(mnt / "GONE.TXT");
    fs::remove_all(mnt / "Old");
}

bool haveNtfsTools() {
    return std::filesystem::exists("/dev/fuse") && haveTools({"mkntfs", "ntfs-3g", "truncate"});
}

bool haveExfatTools() {
    return std::filesystem::exists("/dev/fuse") &&
           haveTools({"mkfs.exfat", "mount.exfat-fuse", "losetup", "truncate"});
}

// A small NTFS volume made by mkntfs and filled through an ntfs-3g mount; empty when a
// step failed (`why` says which).
std::vector<unsigned char> makeNtfsVolume(const std::filesystem::path& path, std::string& why) {
    TempDir mnt;
    if (!runStep("truncate -s 3M " + shellQuote(path.string()), why) ||
        !runStep("mkntfs -F -Q -q -s 512 -c 1024 " + shellQuote(path.string()), why) ||
        !runStep("ntfs-3g " + shellQuote(path.string()) + " " + shellQuote(mnt.path().string()),
                 why))
        return {};
    fillMounted(mnt.path());
    if (!runStep("umount " + shellQuote(mnt.path().string()), why))
        return {};
    keepAsSeed(path);
    return readImage(path);
}

// A small exFAT volume made by mkfs.exfat and filled through an exfat-fuse mount of a
// loop device; empty when a step failed.
std::vector<unsigned char> makeExfatVolume(const std::filesystem::path& path, std::string& why) {
    TempDir mnt;
    if (!runStep("truncate -s 2M " + shellQuote(path.string()), why) ||
        !runStep("mkfs.exfat -c 4096 -b 4096 -L CARD " + shellQuote(path.string()), why))
        return {};
    const CommandResult loop = run("losetup -f --show " + shellQuote(path.string()));
    if (loop.exitCode != 0) {
        why = "losetup: " + loop.output;
        return {};
    }
    const std::string device = loop.output.substr(0, loop.output.find('\n'));
    const bool mounted = runStep(
        "mount.exfat-fuse " + shellQuote(device) + " " + shellQuote(mnt.path().string()), why);
    if (mounted)
        fillMounted(mnt.path());
    const bool unmounted = mounted && runStep("umount " + shellQuote(mnt.path().string()), why);
    run("losetup -d " + shellQuote(device));
    if (!unmounted)
        return {};
    keepAsSeed(path);
    return readImage(path);
}

// A volume with folders several deep, long names, deleted files and a file across many
// clusters, so mutations land on every structure the search reads.
std::vector<unsigned char> makeVolume(const std::filesystem::path& path, int fatBits,
                                      std::uint64_t sizeMiB) {
    FatImageOptions o;
    o.fatBits = fatBits;
    o.sizeMiB = sizeMiB;
    FatImage image(path, o);
    image.mkdir("::/DCIM");
    image.mkdir("::/DCIM/100CANON");
    image.mkdir("::/Documents of the year");
    image.mkdir("::/Documents of the year/Old");
    for (int i = 0; i < 12; ++i)
        image.writeFile("::/DCIM/100CANON/IMG_" + std::to_string(1000 + i) + ".JPG",
                        std::string(700 + 300 * i, static_cast<char>('a' + i)));
    image.writeFile("::/Documents of the year/Budget.xls", std::string(40000, 'b'));
    image.writeFile("::/Documents of the year/Old/letter.doc", std::string(3000, 'l'));
    image.writeFile("::/README.TXT", "hello");
    image.writeFile("::/GONE.TXT", std::string(5000, 'g'));
    image.del("::/GONE.TXT");
    image.delTree("::/Documents of the year/Old");
    keepAsSeed(path);
    return readImage(path);
}

// Changes 1 to 24 bytes: mostly in the first `hot` bytes (boot sector, tables, root and
// the first directories), sometimes anywhere; values random, or 00 / FF runs that make
// sizes, counts and cluster numbers extreme.
void mutate(std::vector<unsigned char>& image, std::size_t hot, std::mt19937_64& random) {
    const std::size_t changes = 1 + random() % 24;
    for (std::size_t i = 0; i < changes; ++i) {
        const std::size_t span = random() % 4 == 0 ? image.size() : std::min(hot, image.size());
        const std::size_t at = random() % span;
        const std::size_t length = 1 + random() % 4;
        const unsigned kind = random() % 3;
        for (std::size_t j = at; j < std::min(image.size(), at + length); ++j)
            image[j] = kind == 0 ? 0x00 : kind == 1 ? 0xFF : static_cast<unsigned char>(random());
    }
}

void runCampaign(const std::vector<unsigned char>& original, volume::FileSystemKind kind,
                 std::size_t runs, std::size_t hot, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    const auto began = std::chrono::steady_clock::now();
    std::size_t built = 0;
    for (std::size_t run = 0; run < runs; ++run) {
        std::vector<unsigned char> image = original;
        mutate(image, hot, random);
        const auto start = std::chrono::steady_clock::now();
        const SearchAndSaveResult r = SearchAndSave(image.data(), image.size(), kind, 500, 1 << 20);
        built += r.treeBuilt ? 1 : 0;
        // One image's search and save ends in a few seconds at most, whatever its damage.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20))
            << "run " << run << " of seed " << seed;
        // Nothing planned is larger than the volume can hold.
        EXPECT_LE(r.extractedBytes, std::uint64_t{500} * (1 << 20));
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::cout << runs << " mutated images, " << built << " with a tree, " << seconds << " s\n";
}

TEST(MutatedImages, Fat16SearchAndSaveEndWithoutFault) {
    if (!haveFatTools())
        GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
    TempDir dir;
    const std::vector<unsigned char> original = makeVolume(dir / "fat16.img", 16, 3);
    // The unmutated volume is searched whole: the campaign starts from a working image.
    const SearchAndSaveResult whole =
        SearchAndSave(original.data(), original.size(), volume::FileSystemKind::Fat16);
    ASSERT_TRUE(whole.treeBuilt);
    EXPECT_GE(whole.planned, 14u);
    runCampaign(original, volume::FileSystemKind::Fat16, runsFromEnvironment(180), 96 * 1024, 16);
}

TEST(MutatedImages, Fat32SearchAndSaveEndWithoutFault) {
    if (!haveFatTools())
        GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
    TempDir dir;
    const std::vector<unsigned char> original = makeVolume(dir / "fat32.img", 32, 34);
    const SearchAndSaveResult whole =
        SearchAndSave(original.data(), original.size(), volume::FileSystemKind::Fat32);
    ASSERT_TRUE(whole.treeBuilt);
    EXPECT_GE(whole.planned, 14u);
    // FAT32 tables are large: the hot region covers them and the first directories.
    runCampaign(original, volume::FileSystemKind::Fat32, runsFromEnvironment(20), 1200 * 1024, 32);
}

TEST(MutatedImages, NtfsSearchAndSaveEndWithoutFault) {
    if (!haveNtfsTools())
        GTEST_SKIP() << "mkntfs, ntfs-3g and FUSE are needed";
    TempDir dir;
    std::string why;
    const std::vector<unsigned char> original = makeNtfsVolume(dir / "ntfs.img", why);
    ASSERT_FALSE(original.empty()) << why;
    const SearchAndSaveResult whole =
        SearchAndSave(original.data(), original.size(), volume::FileSystemKind::Ntfs);
    ASSERT_TRUE(whole.treeBuilt);
    EXPECT_GE(whole.planned, 8u);
    // The MFT's first records, the root index and the boot sector are the hot region.
    runCampaign(original, volume::FileSystemKind::Ntfs, runsFromEnvironment(200), 1536 * 1024, 7);
}

TEST(MutatedImages, ExfatSearchAndSaveEndWithoutFault) {
    if (!haveExfatTools())
        GTEST_SKIP() << "mkfs.exfat, exfat-fuse, losetup and FUSE are needed";
    TempDir dir;
    std::string why;
    const std::vector<unsigned char> original = makeExfatVolume(dir / "exfat.img", why);
    ASSERT_FALSE(original.empty()) << why;
    const SearchAndSaveResult whole =
        SearchAndSave(original.data(), original.size(), volume::FileSystemKind::ExFat);
    ASSERT_TRUE(whole.treeBuilt);
    EXPECT_GE(whole.planned, 8u);
    runCampaign(original, volume::FileSystemKind::ExFat, runsFromEnvironment(200), 256 * 1024, 9);
}

} // namespace
} // namespace qr::test

namespace qr::test {
namespace {

// Overwrites `bytes` at `at` of the image file (the hostile cases below).
void patch(const std::filesystem::path& path, std::size_t at, const std::string& bytes) {
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(at));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::size_t find(const std::vector<unsigned char>& image, const std::string& text) {
    const std::string all(image.begin(), image.end());
    return all.find(text);
}

// Volumes damaged the way other projects' fsck test volumes are: a folder whose dot
// entries are swapped and two entries of one name, a FAT12 volume given as FAT16, an
// exFAT set checksum flipped and an unused slot in front of valid sets. Each search
// ends with a tree (or, for FAT12, without one), and each volume is kept as a seed.
TEST(HostileVolumes, EndWithAResultAndSeedTheFuzzer) {
    if (!haveFatTools())
        GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
    TempDir dir;
    {
        const std::filesystem::path path = dir / "fat16-hostile.img";
        std::vector<unsigned char> image = makeVolume(path, 16, 3);
        // The first folder's "." and ".." change places.
        const std::size_t head = find(image, ".          \x10");
        ASSERT_NE(head, std::string::npos);
        const std::string dots(image.begin() + static_cast<std::ptrdiff_t>(head),
                               image.begin() + static_cast<std::ptrdiff_t>(head + 64));
        patch(path, head, dots.substr(32) + dots.substr(0, 32));
        // A second IMG_1000.JPG in its folder.
        const std::size_t second = find(image, "IMG_1001JPG");
        ASSERT_NE(second, std::string::npos);
        patch(path, second, "IMG_1000");
        keepAsSeed(path);
        image = readImage(path);
        const SearchAndSaveResult r =
            SearchAndSave(image.data(), image.size(), volume::FileSystemKind::Fat16);
        EXPECT_TRUE(r.treeBuilt);
        EXPECT_GE(r.planned, 14u);
    }
    {
        const std::filesystem::path path = dir / "fat12.img";
        runOrFail("mkfs.fat -F 12 -C " + shellQuote(path.string()) + " 1440 >/dev/null");
        runOrFail("mmd -i " + shellQuote(path.string()) + " ::/DOCS");
        keepAsSeed(path);
        const std::vector<unsigned char> image = readImage(path);
        const SearchAndSaveResult r =
            SearchAndSave(image.data(), image.size(), volume::FileSystemKind::Fat16);
        EXPECT_EQ(r.planned, 0u);
    }
    if (!haveExfatTools())
        GTEST_SKIP() << "mkfs.exfat, exfat-fuse, losetup and FUSE are needed";
    const std::filesystem::path path = dir / "exfat-hostile.img";
    std::string why;
    std::vector<unsigned char> image = makeExfatVolume(path, why);
    ASSERT_FALSE(image.empty()) << why;
    const auto utf16 = [](const std::string& name) {
        std::string units;
        for (char c : name)
            units += std::string{c, '\0'};
        return units;
    };
    const std::size_t readme = find(image, utf16("README.TXT"));
    const std::size_t first = find(image, utf16("IMG_1000.JPG"));
    ASSERT_NE(readme, std::string::npos);
    ASSERT_NE(first, std::string::npos);
    patch(path, readme - 2 - 64 + 2, std::string(1, static_cast<char>(image[readme - 64] ^ 0x5A)));
    patch(path, first - 2 - 64, std::string(1, '\0'));
    keepAsSeed(path);
    image = readImage(path);
    const SearchAndSaveResult r =
        SearchAndSave(image.data(), image.size(), volume::FileSystemKind::ExFat);
    EXPECT_TRUE(r.treeBuilt);
    EXPECT_GE(r.planned, 8u);
}

} // namespace
} // namespace qr::test
