#include "support/FailingCard.h"

#include "support/FatImages.h"
#include "support/SaveFixtures.h"
#include "support/TestSupport.h"

#include <fstream>
#include <sstream>

namespace qr::test {

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kVolumeStart = 2048;
constexpr std::uint64_t kBadRange = 8;
constexpr std::uint64_t kSlowSectors = 2000;

// The files every card holds, by path below the root. The three damaged ones get a bad
// range in their data, BIG.BIN the slow area, PICS a bad directory cluster.
const std::vector<std::pair<std::string, std::string>>& cardFiles() {
    static const std::vector<std::pair<std::string, std::string>> files = [] {
        std::vector<std::pair<std::string, std::string>> f;
        for (int i = 1; i <= 6; ++i)
            f.emplace_back("DOCS/D" + std::to_string(i) + ".DOC",
                           PatternBytes(40000 + 512 * std::size_t(i), 40 + unsigned(i)));
        f.emplace_back("BIG.BIN", PatternBytes(2 << 20, 53));
        f.emplace_back("NOTE.TXT", "a note that stays readable\n");
        // Last: the folder's bad range runs on into its own files' data.
        f.emplace_back("PICS/A.JPG", PatternBytes(30000, 51));
        f.emplace_back("PICS/B.JPG", PatternBytes(31000, 52));
        return f;
    }();
    return files;
}

bool isDamaged(const std::string& path) {
    return path == "DOCS/D1.DOC" || path == "DOCS/D3.DOC" || path == "DOCS/D5.DOC";
}

// The Sleuth Kit's inode of every path of the volume at kVolumeStart.
std::map<std::string, std::string> inodes(const fs::path& image) {
    std::map<std::string, std::string> byPath;
    std::istringstream lines(
        run("fls -r -p -o " + std::to_string(kVolumeStart) + " " + shellQuote(image.string()))
            .output);
    for (std::string line; std::getline(lines, line);) {
        // "r/r 123:\tDOCS/D1.DOC" or "d/d 45:\tPICS"
        const std::size_t space = line.find(' '), colon = line.find(":\t");
        if (space == std::string::npos || colon == std::string::npos || line.find('*') < colon)
            continue;
        byPath[line.substr(colon + 2)] = line.substr(space + 1, colon - space - 1);
    }
    return byPath;
}

// The absolute sectors istat lists for an inode, in order.
std::vector<std::uint64_t> sectorsOf(const fs::path& image, const std::string& inode) {
    const std::string text = run("istat -o " + std::to_string(kVolumeStart) + " " +
                                 shellQuote(image.string()) + " " + inode)
                                 .output;
    std::vector<std::uint64_t> sectors;
    const std::size_t at = text.find("Sectors:");
    if (at == std::string::npos)
        return sectors;
    std::istringstream words(text.substr(at + 8));
    for (std::string w; words >> w;) {
        if (w.find_first_not_of("0123456789") != std::string::npos)
            break;
        sectors.push_back(std::stoull(w) + kVolumeStart);
    }
    return sectors;
}

// Places the faults from where the files lie, as The Sleuth Kit finds them.
bool placeFaults(FailingCard& card, std::string& why) {
    const std::map<std::string, std::string> byPath = inodes(card.image);
    const auto sectors = [&](const std::string& path) {
        const auto it = byPath.find(path);
        return it == byPath.end() ? std::vector<std::uint64_t>()
                                  : sectorsOf(card.image, it->second);
    };
    for (const auto& [path, content] : cardFiles()) {
        if (path.rfind("PICS/", 0) == 0)
            continue;
        if (isDamaged(path)) {
            const std::vector<std::uint64_t> data = sectors(path);
            if (data.size() < 3 * kBadRange) {
                why = "istat gives no sectors for " + path;
                return false;
            }
            card.badSectors.emplace_back(data[kBadRange + 3], data[kBadRange + 3] + kBadRange);
            card.damagedFiles.push_back(path);
        } else {
            card.cleanFiles[path] = content;
        }
    }
    const std::vector<std::uint64_t> folder = sectors("PICS");
    const std::vector<std::uint64_t> big = sectors("BIG.BIN");
    if (folder.empty() || big.size() < kSlowSectors + 100) {
        why = "istat gives no sectors for PICS or BIG.BIN";
        return false;
    }
    card.badSectors.emplace_back(folder[0], folder[0] + kBadRange);
    card.unreadableFolder = "PICS";
    card.slowSectors = {big[50], big[50] + kSlowSectors};
    return true;
}

} // namespace

FuseFaults FailingCard::faults() const {
    FuseFaults f;
    for (const auto& [first, end] : badSectors)
        f.bad.emplace_back(first * 512, end * 512);
    f.slow = {slowSectors.first * 512, slowSectors.second * 512};
    f.slowMs = kSlowMs;
    return f;
}

bool FailingCard::isBad(std::uint64_t sector) const {
    for (const auto& [first, end] : badSectors)
        if (sector >= first && sector < end)
            return true;
    return false;
}

bool MakeFailingFatCard(const fs::path& folder, FailingCard& card, std::string& why) {
    if (!haveFatTools() || !haveTools({"fls", "istat"})) {
        why = "mkfs.fat, mtools, sfdisk or The Sleuth Kit missing";
        return false;
    }
    FatImageOptions o;
    o.fatBits = 32;
    o.sizeMiB = 64;
    o.partitioned = true;
    FatImage image(folder / "fat32-card.img", o);
    // PICS last: its bad range runs on from its directory into its own files' data.
    image.mkdir("::/DOCS");
    for (const auto& [path, content] : cardFiles())
        if (path.rfind("PICS/", 0) != 0)
            image.writeFile("::/" + path, content);
    image.mkdir("::/PICS");
    for (const auto& [path, content] : cardFiles())
        if (path.rfind("PICS/", 0) == 0)
            image.writeFile("::/" + path, content);
    card.image = image.path();
    card.fileSystem = "FAT32";
    return placeFaults(card, why);
}

bool MakeFailingExfatCard(const fs::path& folder, FailingCard& card, std::string& why) {
    if (!haveTools({"mkfs.exfat", "mount.exfat-fuse", "losetup", "sfdisk", "fls", "istat"}) ||
        !fs::exists("/dev/fuse")) {
        why = "mkfs.exfat, exfat-fuse, losetup, sfdisk, The Sleuth Kit or FUSE missing";
        return false;
    }
    constexpr std::uint64_t kVolumeSectors = 64 * 2048;
    const fs::path volume = folder / "exfat-volume.img";
    const fs::path mnt = folder / "exfat-mnt";
    fs::create_directories(mnt);
    const auto step = [&](const std::string& command) { return runStep(command, why); };
    if (!step("truncate -s " + std::to_string(kVolumeSectors * 512) + " " +
              shellQuote(volume.string())) ||
        !step("mkfs.exfat -c 4096 -L CARD " + shellQuote(volume.string())))
        return false;
    const CommandResult loop = run("losetup -f --show " + shellQuote(volume.string()));
    if (loop.exitCode != 0) {
        why = "losetup (root is needed): " + loop.output;
        return false;
    }
    const std::string device = loop.output.substr(0, loop.output.find('\n'));
    if (!step("mount.exfat-fuse " + shellQuote(device) + " " + shellQuote(mnt.string()))) {
        run("losetup -d " + shellQuote(device));
        return false;
    }
    for (const auto& [path, content] : cardFiles()) {
        fs::create_directories((mnt / path).parent_path());
        std::ofstream(mnt / path, std::ios::binary) << content;
    }
    const bool unmounted = step("umount " + shellQuote(mnt.string()));
    run("losetup -d " + shellQuote(device));
    if (!unmounted)
        return false;
    card.image = folder / "exfat-card.img";
    card.fileSystem = "exFAT";
    if (!step("truncate -s " + std::to_string((kVolumeStart + kVolumeSectors + 2048) * 512) + " " +
              shellQuote(card.image.string())) ||
        !step("echo 'start=" + std::to_string(kVolumeStart) +
              ", size=" + std::to_string(kVolumeSectors) + ", type=7' | sfdisk -q " +
              shellQuote(card.image.string())) ||
        !step("dd if=" + shellQuote(volume.string()) + " of=" + shellQuote(card.image.string()) +
              " bs=1M seek=1 conv=notrunc,sparse status=none"))
        return false;
    fs::remove(volume);
    return placeFaults(card, why);
}

} // namespace qr::test
