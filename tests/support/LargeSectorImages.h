#pragma once
// A disk of 4096-byte logical sectors made with the real tools: a loop device with
// 4096-byte sectors carries sfdisk's MBR (its starts and sizes in those sectors), and
// each partition, seen through a loop device of its own, gets its file system from
// mkfs.fat -S 4096, mkfs.exfat (which takes the device's sector size) and mkntfs -s
// 4096; they are filled through mtools, exfat-fuse and ntfs-3g (NTFS with resident files
// of a few KiB and a folder whose index takes index records). Built once per test
// program; needs root, loop devices and FUSE.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace qr::test {

class LargeSectorImage {
public:
    struct Volume {
        std::string fileSystem;                     // as the partition list names it
        std::uint64_t start = 0;                    // in 4096-byte sectors
        std::uint64_t sectors = 0;                  // in 4096-byte sectors
        std::map<std::string, std::string> files;   // path below the root -> content
        std::map<std::string, std::string> deleted; // the name a save gives it -> content
    };

    static constexpr std::uint32_t kSectorBytes = 4096;
    static constexpr std::uint64_t kDiskSectors = 104960; // 410 MiB

    // The shared image, or nullptr with `why` saying what is missing.
    static const LargeSectorImage* shared(std::string* why = nullptr);

    const std::filesystem::path& path() const { return path_; }
    const std::vector<Volume>& volumes() const { return volumes_; }

    // A copy of the image at `copy` whose partition table sector is zeros.
    void copyWithoutTable(const std::filesystem::path& copy) const;

private:
    bool build(const std::filesystem::path& folder, std::string& why);
    bool makeFat32(const std::filesystem::path& folder, const Volume& v, std::string& why);
    // mkfs `command` on a loop device over the volume, then its files through `mount`
    // (empty: not mounted here).
    bool onVolumeDevice(const Volume& v, const std::string& mkfs, const std::string& mount,
                        const std::filesystem::path& mnt, std::string& why);

    std::filesystem::path path_;
    std::vector<Volume> volumes_;
};

} // namespace qr::test
