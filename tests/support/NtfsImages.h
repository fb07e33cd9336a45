#pragma once
// An NTFS test medium made with the real tools: mkntfs on a sparse file, filled
// through an ntfs-3g mount (resident and non-resident files, a file in hundreds of
// fragments with an attribute list, long and non-Latin names, a sparse file, a
// compressed file, files and a folder tree deleted with rm), then placed at sector
// 2048 of a larger image. Built once per test program.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace qr::test {

struct NtfsImageFile {
    std::string content;
    std::uint32_t record = 0; // MFT number (the mount's inode number)
    bool deleted = false;
};

class NtfsImage {
public:
    static constexpr std::uint64_t kVolumeStart = 2048;
    static constexpr std::uint64_t kVolumeSectors = 96 * 2048; // 96 MiB
    static constexpr unsigned kSectorsPerCluster = 8;

    // The shared image; nullptr (with the reason in `why`) when the tools or FUSE are
    // missing.
    static const NtfsImage* shared(std::string* why = nullptr);

    const std::filesystem::path& path() const { return path_; }
    // Paths relative to the volume's root ("docs/2024/report.doc"), live and deleted.
    const std::map<std::string, NtfsImageFile>& files() const { return files_; }
    // Folder paths with their MFT numbers.
    const std::map<std::string, std::uint32_t>& folders() const { return folders_; }
    const std::map<std::string, std::uint32_t>& deletedFolders() const { return deletedFolders_; }

    // The Sleuth Kit's icat of record `record` (the oracle), or "" when it fails.
    std::string icat(std::uint32_t record) const;

private:
    NtfsImage() = default;
    bool build(const std::filesystem::path& folder, std::string& why);

    std::filesystem::path path_;
    std::map<std::string, NtfsImageFile> files_;
    std::map<std::string, std::uint32_t> folders_;
    std::map<std::string, std::uint32_t> deletedFolders_;
};

// Deterministic pseudo-random bytes (not compressible).
std::string NoiseBytes(std::size_t length, std::uint32_t seed);

} // namespace qr::test
