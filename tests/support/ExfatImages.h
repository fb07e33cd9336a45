#pragma once
// An exFAT test medium made with the real tools: mkfs.exfat on a sparse file, filled
// through an exfat-fuse mount of a loop device (long and non-Latin names, empty and
// large files, a fragmented file, folders, files and a folder tree deleted with rm),
// then placed at sector 2048 of a disk image whose partition table names it type 7.
// Built once per test program.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace qr::test {

struct ExfatImageFile {
    std::string content;
    bool deleted = false;
    std::int64_t modified = 0; // seconds since 1970, as the mount reported them
};

class ExfatImage {
public:
    static constexpr std::uint64_t kVolumeStart = 2048;
    static constexpr std::uint64_t kVolumeSectors = 64 * 2048; // 64 MiB
    static constexpr unsigned kClusterBytes = 4096;

    // The shared image; nullptr (with the reason in `why`) when the tools, FUSE or root
    // are missing.
    static const ExfatImage* shared(std::string* why = nullptr);

    const std::filesystem::path& path() const { return path_; }
    // Paths relative to the volume's root ("docs/2024/report.doc"), live and deleted.
    const std::map<std::string, ExfatImageFile>& files() const { return files_; }
    // The file written into one-cluster holes.
    static constexpr const char* kFragmented = "frag.bin";

    // The Sleuth Kit's view (the oracle): path -> inode of fls -r -p, and icat.
    std::map<std::string, std::string> flsInodes() const;
    std::string icat(const std::string& inode) const;

private:
    ExfatImage() = default;
    bool build(const std::filesystem::path& folder, std::string& why);

    std::filesystem::path path_;
    std::map<std::string, ExfatImageFile> files_;
};

// Makes `volume`, a file of `sectors` sectors, with mkfs.exfat and `mkfsOptions`,
// mounts it through exfat-fuse on a loop device at `mnt`, runs `fill` on the mount and
// unmounts it. False (with `why`) when a step failed.
bool MakeFilledExfatVolume(const std::filesystem::path& volume, const std::filesystem::path& mnt,
                           std::uint64_t sectors, const std::string& mkfsOptions,
                           const std::function<void(const std::filesystem::path&)>& fill,
                           std::string& why);

// Places `volume` at sector `start` of a new disk image `disk` of `diskSectors` sectors
// whose partition table names it type 7, then removes the volume file.
bool PlaceExfatVolume(const std::filesystem::path& volume, const std::filesystem::path& disk,
                      std::uint64_t start, std::uint64_t sectors, std::uint64_t diskSectors,
                      std::string& why);

} // namespace qr::test
