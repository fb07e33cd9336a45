#include "support/GptImages.h"

#include "support/NtfsImages.h"
#include "support/SampleFiles.h"
#include "support/TestSupport.h"

#include <fstream>
#include <memory>
#include <unistd.h>

namespace qr::test {

namespace fs = std::filesystem;

namespace {

constexpr const char* kBasicData = "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7";

// Writes the volume's files below `root` (where it is mounted), and the one it loses.
void fillMounted(const fs::path& root, const GptImage::Volume& v) {
    FillMountedVolume(root, v.files, v.deleted);
}

} // namespace

const GptImage* GptImage::shared(std::string* why) {
    static std::unique_ptr<TempDir> folder;
    static std::unique_ptr<GptImage> image;
    static std::string reason;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (::geteuid() != 0 || !fs::exists("/dev/fuse") ||
            !haveTools({"sfdisk", "mkfs.fat", "mcopy", "mmd", "mkntfs", "ntfs-3g", "mkfs.exfat",
                        "mount.exfat-fuse", "losetup", "truncate", "dd"})) {
            reason = "sfdisk, mkfs.fat, mtools, mkntfs, ntfs-3g, mkfs.exfat, exfat-fuse, "
                     "losetup, FUSE and root are needed";
        } else {
            folder = std::make_unique<TempDir>();
            image.reset(new GptImage);
            if (!image->build(folder->path(), reason))
                image.reset();
        }
    }
    if (why)
        *why = reason;
    return image.get();
}

bool GptImage::build(const fs::path& folder, std::string& why) {
    path_ = folder / "gpt.img";
    volumes_ = {{"FAT32",
                 "FAT32 part",
                 2048,
                 131072,
                 SampleVolumeFiles(1),
                 {{"_ONE.JPG", GoneFileContent(1)}}},
                {"NTFS",
                 "Windows data",
                 133120,
                 81920,
                 SampleVolumeFiles(2),
                 {{kGoneFile, GoneFileContent(2)}}},
                {"exFAT",
                 "Camera",
                 215040,
                 81920,
                 SampleVolumeFiles(3),
                 {{kGoneFile, GoneFileContent(3)}}}};
    std::string script = "label: gpt\n";
    for (const Volume& v : volumes_)
        script += "start=" + std::to_string(v.start) + ", size=" + std::to_string(v.sectors) +
                  ", type=" + kBasicData + ", name=\"" + v.gptName + "\"\n";
    if (!runStep("truncate -s " + std::to_string(kDiskSectors * 512) + " " +
                     shellQuote(path_.string()),
                 why) ||
        !runStep("printf '" + script + "' | sfdisk -q " + shellQuote(path_.string()), why))
        return false;
    return makeFat32(folder, volumes_[0], why) && makeNtfs(folder, volumes_[1], why) &&
           makeExfat(folder, volumes_[2], why);
}

bool GptImage::place(const fs::path& volume, const Volume& v, std::string& why) {
    const bool placed =
        runStep("dd if=" + shellQuote(volume.string()) + " of=" + shellQuote(path_.string()) +
                    " bs=512 seek=" + std::to_string(v.start) + " conv=notrunc,sparse status=none",
                why);
    fs::remove(volume);
    return placed;
}

bool GptImage::makeFat32(const fs::path& folder, Volume& v, std::string& why) {
    const std::string at = shellQuote(path_.string()) + "@@" + std::to_string(v.start * 512);
    if (!runStep("mkfs.fat -F 32 --offset " + std::to_string(v.start) + " -h " +
                     std::to_string(v.start) + " " + shellQuote(path_.string()) + " " +
                     std::to_string(v.sectors / 2),
                 why))
        return false;
    return FillFatThroughMtools(at, v.files, v.deleted.begin()->second, folder / "fat-files", why);
}

bool GptImage::makeNtfs(const fs::path& folder, Volume& v, std::string& why) {
    const fs::path volume = folder / "ntfs.img";
    const fs::path mnt = folder / "ntfs-mnt";
    fs::create_directories(mnt);
    if (!runStep("truncate -s " + std::to_string(v.sectors * 512) + " " +
                     shellQuote(volume.string()),
                 why) ||
        !runStep("mkntfs -F -Q -q -s 512 -p " + std::to_string(v.start) + " " +
                     shellQuote(volume.string()),
                 why) ||
        !runStep("ntfs-3g " + shellQuote(volume.string()) + " " + shellQuote(mnt.string()), why))
        return false;
    fillMounted(mnt, v);
    return runStep("umount " + shellQuote(mnt.string()), why) && place(volume, v, why);
}

bool GptImage::makeExfat(const fs::path& folder, Volume& v, std::string& why) {
    const fs::path volume = folder / "exfat.img";
    const fs::path mnt = folder / "exfat-mnt";
    fs::create_directories(mnt);
    if (!runStep("truncate -s " + std::to_string(v.sectors * 512) + " " +
                     shellQuote(volume.string()),
                 why) ||
        !runStep("mkfs.exfat -L CAMERA " + shellQuote(volume.string()), why))
        return false;
    const CommandResult loop = run("losetup -f --show " + shellQuote(volume.string()));
    if (loop.exitCode != 0) {
        why = "losetup: " + loop.output;
        return false;
    }
    const std::string device = loop.output.substr(0, loop.output.find('\n'));
    bool ok =
        runStep("mount.exfat-fuse " + shellQuote(device) + " " + shellQuote(mnt.string()), why);
    if (ok) {
        fillMounted(mnt, v);
        ok = runStep("umount " + shellQuote(mnt.string()), why);
    }
    run("losetup -d " + shellQuote(device));
    return ok && place(volume, v, why);
}

bool MakeFarNtfsDisk(const fs::path& image, std::uint64_t start, std::uint64_t sectors,
                     const std::map<std::string, std::string>& files, std::string& why) {
    if (::geteuid() != 0 || !fs::exists("/dev/fuse") ||
        !haveTools({"sfdisk", "mkntfs", "ntfs-3g", "losetup", "truncate"})) {
        why = "sfdisk, mkntfs, ntfs-3g, losetup, FUSE and root are needed";
        return false;
    }
    const std::string script = "label: gpt\nstart=" + std::to_string(start) +
                               ", size=" + std::to_string(sectors) + ", type=" + kBasicData +
                               ", name=\"far\"\n";
    if (!runStep("truncate -s 3T " + shellQuote(image.string()), why) ||
        !runStep("printf '" + script + "' | sfdisk -q " + shellQuote(image.string()), why))
        return false;
    const CommandResult loop =
        run("losetup -f --show -o " + std::to_string(start * 512) + " --sizelimit " +
            std::to_string(sectors * 512) + " " + shellQuote(image.string()));
    if (loop.exitCode != 0) {
        why = "no loop device: " + loop.output;
        return false;
    }
    const std::string device = loop.output.substr(0, loop.output.find('\n'));
    const fs::path mnt = image.parent_path() / "far-mnt";
    fs::create_directories(mnt);
    // mkntfs keeps the partition start in 32 bits: beyond them it is left 0.
    bool ok = runStep("mkntfs -F -Q -q -s 512 -p 0 -H 255 -S 63 " + shellQuote(device), why) &&
              runStep("ntfs-3g " + shellQuote(device) + " " + shellQuote(mnt.string()), why);
    if (ok) {
        for (const auto& [name, content] : files)
            WriteFileAt(mnt / name, content);
        ok = runStep("umount " + shellQuote(mnt.string()), why);
    }
    run("losetup -d " + shellQuote(device));
    return ok;
}

void GptImage::copyWithoutPrimary(const fs::path& copy) const {
    runOrFail("cp --sparse=always " + shellQuote(path_.string()) + " " + shellQuote(copy.string()));
    runOrFail("dd if=/dev/zero of=" + shellQuote(copy.string()) +
              " bs=512 seek=1 count=33 conv=notrunc status=none");
}

} // namespace qr::test
