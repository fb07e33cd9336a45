#pragma once
// A camera's exFAT card made with the real tools: mkfs.exfat with 32 KiB clusters on a
// sparse file, filled through an exfat-fuse mount of a loop device (photos in DCIM
// folders, long and non-Latin names, a fragmented photo, photos and a folder deleted
// with rm), then placed at sector 2048 of a disk image whose partition table names it
// type 7. Copies of it are damaged the ways cards lose their file system: reformatted
// with mkfs.exfat's default cluster size (4 KiB at this size), both boot regions zeroed,
// and the partition table zeroed as well. Built once per test program.
#include "support/ExfatImages.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace qr::test {

class ExfatCameraCard {
public:
    static constexpr std::uint64_t kVolumeStart = 2048;
    static constexpr std::uint64_t kVolumeSectors = 160 * 2048; // 160 MiB
    static constexpr std::uint64_t kDiskSectors = kVolumeStart + kVolumeSectors + 2048;
    static constexpr unsigned kClusterBytes = 32768;

    // The shared card; nullptr (with the reason in `why`) when the tools, FUSE or root
    // are missing.
    static const ExfatCameraCard* shared(std::string* why = nullptr);

    const std::filesystem::path& path() const { return path_; }
    // Paths relative to the volume's root, live and deleted.
    const std::map<std::string, ExfatImageFile>& files() const { return files_; }
    static constexpr const char* kFragmented = "DCIM/101CANON/IMG_FRAG.JPG";

    enum class Damage { Reformatted, BootRegionsZeroed, TableZeroed };
    // A damaged copy of the card at `to`; false (with `why`) when a tool failed.
    bool damagedCopy(Damage damage, const std::filesystem::path& to, std::string& why) const;

private:
    ExfatCameraCard() = default;
    bool build(const std::filesystem::path& folder, std::string& why);

    std::filesystem::path path_;
    std::map<std::string, ExfatImageFile> files_;
};

} // namespace qr::test
