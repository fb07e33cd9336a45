#include "support/LargeSectorImages.h"

#include "support/NtfsImages.h"
#include "support/SampleFiles.h"
#include "support/TestSupport.h"

#include <fstream>
#include <memory>
#include <unistd.h>

namespace qr::test {

namespace fs = std::filesystem;

namespace {

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// A loop device of 4096-byte sectors over `bytes` bytes of `image` from `offset`
// (0 bytes: to its end); empty with `why` when none can be set up.
std::string loopDevice(const fs::path& image, std::uint64_t offset, std::uint64_t bytes,
                       std::string& why) {
    std::string command = "losetup -b 4096 -f --show -o " + std::to_string(offset);
    if (bytes != 0)
        command += " --sizelimit " + std::to_string(bytes);
    const CommandResult loop = run(command + " " + shellQuote(image.string()) + " 2>&1");
    if (loop.exitCode != 0) {
        why = "no loop device of 4096-byte sectors: " + loop.output;
        return {};
    }
    return firstLine(loop.output);
}

// The NTFS volume's files: besides the sample ones, what its 4096-byte records hold
// past their first 1024 bytes (resident files of a few KiB) and a folder of so many
// files that its index takes index records; it loses a resident file too.
std::map<std::string, std::string> ntfsFiles() {
    std::map<std::string, std::string> files = SampleVolumeFiles(3);
    files["NOTES/RESIDENT.TXT"] = NoiseBytes(2500, 31);
    for (std::uint32_t i = 0; i < 60; ++i)
        files["MANY/FILE" + std::to_string(i) + ".TXT"] = NoiseBytes(100 + 37 * i, 100 + i);
    return files;
}

} // namespace

const LargeSectorImage* LargeSectorImage::shared(std::string* why) {
    static std::unique_ptr<TempDir> folder;
    static std::unique_ptr<LargeSectorImage> image;
    static std::string reason;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (::geteuid() != 0 || !fs::exists("/dev/fuse") ||
            !haveTools({"sfdisk", "mkfs.fat", "mcopy", "mdel", "mkntfs", "ntfs-3g", "mkfs.exfat",
                        "mount.exfat-fuse", "losetup", "truncate", "dd", "mmls"})) {
            reason = "sfdisk, mkfs.fat, mtools, mkntfs, ntfs-3g, mkfs.exfat, exfat-fuse, "
                     "losetup, The Sleuth Kit, FUSE and root are needed";
        } else {
            folder = std::make_unique<TempDir>();
            image.reset(new LargeSectorImage);
            if (!image->build(folder->path(), reason))
                image.reset();
        }
    }
    if (why)
        *why = reason;
    return image.get();
}

bool LargeSectorImage::build(const fs::path& folder, std::string& why) {
    path_ = folder / "4k.img";
    volumes_ = {{"FAT32", 256, 71680, SampleVolumeFiles(1), {{"_ONE.JPG", GoneFileContent(1)}}},
                {"exFAT", 71936, 16384, SampleVolumeFiles(2), {{kGoneFile, GoneFileContent(2)}}},
                {"NTFS",
                 88320,
                 16384,
                 ntfsFiles(),
                 {{kGoneFile, GoneFileContent(3)}, {"SMALLGONE.TXT", NoiseBytes(1800, 33)}}}};
    if (!runStep("truncate -s " + std::to_string(kDiskSectors * kSectorBytes) + " " +
                     shellQuote(path_.string()),
                 why))
        return false;
    // sfdisk counts in the sectors of the device it is given.
    const std::string disk = loopDevice(path_, 0, 0, why);
    if (disk.empty())
        return false;
    const bool parted = runStep("printf 'label: dos\\nstart=256, size=71680, type=c\\n"
                                "start=71936, size=16384, type=7\\n"
                                "start=88320, size=16384, type=7\\n' | sfdisk -q --no-reread " +
                                    shellQuote(disk) + " 2>/dev/null",
                                why);
    run("losetup -d " + shellQuote(disk));
    if (!parted)
        return false;
    const fs::path mnt = folder / "mnt";
    fs::create_directories(mnt);
    return makeFat32(folder, volumes_[0], why) &&
           onVolumeDevice(volumes_[1], "mkfs.exfat -L CAMERA", "mount.exfat-fuse", mnt, why) &&
           onVolumeDevice(volumes_[2],
                          "mkntfs -F -Q -q -s 4096 -c 4096 -H 255 -S 63 -p " +
                              std::to_string(volumes_[2].start),
                          "ntfs-3g", mnt, why);
}

bool LargeSectorImage::makeFat32(const fs::path& folder, const Volume& v, std::string& why) {
    if (!onVolumeDevice(v, "mkfs.fat -F 32 -S 4096", "", {}, why))
        return false;
    const std::string at =
        shellQuote(path_.string()) + "@@" + std::to_string(v.start * kSectorBytes);
    return FillFatThroughMtools(at, v.files, v.deleted.begin()->second, folder / "fat-files", why);
}

bool LargeSectorImage::onVolumeDevice(const Volume& v, const std::string& mkfs,
                                      const std::string& mount, const fs::path& mnt,
                                      std::string& why) {
    const std::string device =
        loopDevice(path_, v.start * kSectorBytes, v.sectors * kSectorBytes, why);
    if (device.empty())
        return false;
    bool ok = runStep(mkfs + " " + shellQuote(device) + " >/dev/null", why);
    if (ok && !mount.empty()) {
        ok = runStep(mount + " " + shellQuote(device) + " " + shellQuote(mnt.string()), why);
        if (ok) {
            FillMountedVolume(mnt, v.files, v.deleted);
            ok = runStep("umount " + shellQuote(mnt.string()), why);
        }
    }
    run("losetup -d " + shellQuote(device));
    return ok;
}

void LargeSectorImage::copyWithoutTable(const fs::path& copy) const {
    runOrFail("cp --sparse=always " + shellQuote(path_.string()) + " " + shellQuote(copy.string()));
    runOrFail("dd if=/dev/zero of=" + shellQuote(copy.string()) +
              " bs=4096 count=1 conv=notrunc status=none");
}

} // namespace qr::test
