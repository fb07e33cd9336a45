#pragma once
// A GPT disk made with the real tools: sfdisk (label: gpt) lays out a FAT32, an NTFS
// and an exFAT partition; each volume is made with its own mkfs and filled through
// mtools (FAT32), an ntfs-3g mount (NTFS) and an exfat-fuse mount (exFAT). Built once
// per test program; needs root and FUSE.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace qr::test {

class GptImage {
public:
    struct Volume {
        std::string fileSystem; // as the partition list names it
        std::string gptName;
        std::uint64_t start = 0;
        std::uint64_t sectors = 0;
        std::map<std::string, std::string> files; // path below the root -> content
        // Deleted after it was written: the name a save gives it -> content.
        std::map<std::string, std::string> deleted;
    };

    // The shared image, or nullptr with `why` saying what is missing.
    static const GptImage* shared(std::string* why = nullptr);

    const std::filesystem::path& path() const { return path_; }
    const std::vector<Volume>& volumes() const { return volumes_; }
    std::uint64_t sectors() const { return kDiskSectors; }

    // A copy of the image at `copy` whose primary GPT header and entry array (sectors 1
    // to 33) are zeros.
    void copyWithoutPrimary(const std::filesystem::path& copy) const;

    static constexpr std::uint64_t kDiskSectors = 307200;

private:
    bool build(const std::filesystem::path& folder, std::string& why);
    bool makeFat32(const std::filesystem::path& folder, Volume& v, std::string& why);
    bool makeNtfs(const std::filesystem::path& folder, Volume& v, std::string& why);
    bool makeExfat(const std::filesystem::path& folder, Volume& v, std::string& why);
    bool place(const std::filesystem::path& volume, const Volume& v, std::string& why);

    std::filesystem::path path_;
    std::vector<Volume> volumes_;
};

// A sparse GPT disk of 3 TiB whose one NTFS partition starts at `start` (beyond 2^32
// sectors): mkntfs on a loop device at that offset, filled through ntfs-3g with
// `files`. False, with `why`, when a tool, root, FUSE or a loop device is missing.
bool MakeFarNtfsDisk(const std::filesystem::path& image, std::uint64_t start, std::uint64_t sectors,
                     const std::map<std::string, std::string>& files, std::string& why);

} // namespace qr::test
