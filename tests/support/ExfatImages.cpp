#include "support/ExfatImages.h"

#include "support/NtfsImages.h"
#include "support/TestSupport.h"

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace qr::test {

namespace fs = std::filesystem;

namespace {

bool writeAll(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    return static_cast<bool>(out);
}

std::int64_t modifiedOf(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_mtime) : 0;
}

} // namespace

const ExfatImage* ExfatImage::shared(std::string* why) {
    static std::unique_ptr<TempDir> folder;
    static std::unique_ptr<ExfatImage> image;
    static std::string reason;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (::geteuid() != 0 || !fs::exists("/dev/fuse") ||
            !haveTools({"mkfs.exfat", "mount.exfat-fuse", "losetup", "sfdisk", "fls", "icat",
                        "truncate", "dd"})) {
            reason = "mkfs.exfat, exfat-fuse, losetup, sfdisk, The Sleuth Kit, FUSE and root "
                     "are needed";
        } else {
            folder = std::make_unique<TempDir>();
            image.reset(new ExfatImage);
            if (!image->build(folder->path(), reason))
                image.reset();
        }
    }
    if (why)
        *why = reason;
    return image.get();
}

std::map<std::string, std::string> ExfatImage::flsInodes() const {
    std::map<std::string, std::string> inodes;
    const CommandResult r = run("fls -r -p -o " + std::to_string(kVolumeStart) + " " +
                                shellQuote(path_.string()) + " 2>/dev/null");
    std::istringstream lines(r.output);
    std::string line;
    while (std::getline(lines, line)) {
        // "r/r 643:\tpath" or "r/r * 899:\tpath" (deleted)
        const auto colon = line.find(":\t");
        if (colon == std::string::npos)
            continue;
        const auto space = line.rfind(' ', colon);
        inodes[line.substr(colon + 2)] = line.substr(space + 1, colon - space - 1);
    }
    return inodes;
}

std::string ExfatImage::icat(const std::string& inode) const {
    return icatAt(path_, kVolumeStart, inode);
}

bool MakeFilledExfatVolume(const fs::path& volume, const fs::path& mnt, std::uint64_t sectors,
                           const std::string& mkfsOptions,
                           const std::function<void(const fs::path&)>& fill, std::string& why) {
    fs::create_directories(mnt);
    auto step = [&](const std::string& command) { return runStep(command, why); };
    if (!step("truncate -s " + std::to_string(sectors * 512) + " " + shellQuote(volume.string())) ||
        !step("mkfs.exfat " + mkfsOptions + " " + shellQuote(volume.string())))
        return false;
    const CommandResult loop = run("losetup -f --show " + shellQuote(volume.string()));
    if (loop.exitCode != 0) {
        why = "losetup: " + loop.output;
        return false;
    }
    const std::string device = loop.output.substr(0, loop.output.find('\n'));
    const auto detach = [&] { run("losetup -d " + shellQuote(device)); };
    if (!step("mount.exfat-fuse " + shellQuote(device) + " " + shellQuote(mnt.string()))) {
        detach();
        return false;
    }
    fill(mnt);
    const bool unmounted = step("umount " + shellQuote(mnt.string()));
    detach();
    return unmounted;
}

bool PlaceExfatVolume(const fs::path& volume, const fs::path& disk, std::uint64_t start,
                      std::uint64_t sectors, std::uint64_t diskSectors, std::string& why) {
    auto step = [&](const std::string& command) { return runStep(command, why); };
    return step("truncate -s " + std::to_string(diskSectors * 512) + " " +
                shellQuote(disk.string())) &&
           step("echo 'start=" + std::to_string(start) + ", size=" + std::to_string(sectors) +
                ", type=7' | sfdisk -q " + shellQuote(disk.string())) &&
           step("dd if=" + shellQuote(volume.string()) + " of=" + shellQuote(disk.string()) +
                " bs=1M seek=" + std::to_string(start * 512) +
                " oflag=seek_bytes conv=notrunc,sparse status=none") &&
           (fs::remove(volume), true);
}

bool ExfatImage::build(const fs::path& folder, std::string& why) {
    const fs::path volume = folder / "vol.img";
    const auto fill = [&](const fs::path& mnt) {
        auto add = [&](const std::string& relative, const std::string& content) {
            const fs::path at = mnt / fs::u8path(relative);
            fs::create_directories(at.parent_path());
            writeAll(at, content);
            files_[relative] = {content, false, 0};
        };
        // A fragmented file: one-cluster holes left between fillers, then a file larger
        // than any hole.
        fs::create_directories(mnt / "fill");
        for (int i = 0; i < 400; ++i)
            writeAll(mnt / "fill" / ("f" + std::to_string(i)), NoiseBytes(kClusterBytes, 100 + i));
        for (int i = 0; i < 400; i += 2)
            fs::remove(mnt / "fill" / ("f" + std::to_string(i)));
        add(kFragmented, NoiseBytes(150 * kClusterBytes + 123, 7));
        for (int i = 1; i < 400; i += 2)
            fs::remove(mnt / "fill" / ("f" + std::to_string(i)));
        fs::remove(mnt / "fill");

        add("small.txt", "A small file.\n");
        add("empty.txt", "");
        add("big.bin", NoiseBytes(5 << 20, 1));
        add("docs/2024/report.doc", NoiseBytes(20000, 2));
        add("docs/notes.txt", std::string(5000, 'n'));
        add(std::string(255, 'L'), "the longest name\n");
        add("Привет_мир.txt", "cyrillic\n");
        add("日本語のファイル.txt", "japanese\n");
        add("emoji_😀_🎉.txt", "surrogate pairs\n");
        add("Ελληνικά/κείμενο.txt", NoiseBytes(3000, 3));
        // A folder with enough entries to take more than one directory cluster.
        for (int i = 0; i < 60; ++i)
            add("many/entry_with_a_long_name_" + std::to_string(i) + ".txt", std::to_string(i));
        add("orphans/child/kept.bin", NoiseBytes(7000, 9));
        add("orphans/child/note.txt", "in a folder whose parent is lost\n");

        // Deleted with rm: one file and a folder tree.
        add("gone.bin", NoiseBytes(9000, 6));
        add("oldtree/top.txt", NoiseBytes(4000, 8));
        add("oldtree/sub/inner.bin", NoiseBytes(12000, 10));
        for (auto& [name, file] : files_)
            file.modified = modifiedOf(mnt / fs::u8path(name));
        fs::remove(mnt / "gone.bin");
        fs::remove_all(mnt / "oldtree");
        for (auto& [name, file] : files_)
            file.deleted = name == "gone.bin" || name.rfind("oldtree/", 0) == 0;
    };
    path_ = folder / "disk.img";
    return MakeFilledExfatVolume(volume, folder / "mnt", kVolumeSectors,
                                 "-c " + std::to_string(kClusterBytes) + " -L CARD", fill, why) &&
           PlaceExfatVolume(volume, path_, kVolumeStart, kVolumeSectors,
                            kVolumeStart + kVolumeSectors + 2048, why);
}

} // namespace qr::test
