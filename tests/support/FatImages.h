#pragma once
// FAT16 and FAT32 test media made with the real tools: a sparse image, optionally an
// MBR with one partition (sfdisk), mkfs.fat, then files and folders copied, deleted
// and overwritten with mtools and plain writes.
#include "app/RecoveryContext.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qr::test {

struct FatImageOptions {
    int fatBits = 32;               // 16 or 32
    std::uint64_t sizeMiB = 40;     // whole image
    unsigned sectorsPerCluster = 1; // mkfs.fat -s
    bool partitioned = false;       // MBR with one partition from sector 2048
    std::uint64_t partitionStart = 2048;
};

class FatImage {
public:
    // Creates the image (the tools must be present: see haveFatTools()).
    FatImage(std::filesystem::path path, const FatImageOptions& options);

    const std::filesystem::path& path() const { return path_; }
    const FatImageOptions& options() const { return options_; }
    // First and last sector of the volume inside the image.
    std::uint64_t volumeStart() const { return volumeStart_; }
    std::uint64_t volumeSectors() const { return volumeSectors_; }
    std::string fileSystemName() const { return options_.fatBits == 32 ? "FAT32" : "FAT16"; }

    // mtools paths are like "::/DIR/FILE.TXT"; names may be long and UTF-8.
    void mkdir(const std::string& dosPath);
    void writeFile(const std::string& dosPath, const std::string& content);
    void copyIn(const std::filesystem::path& hostPath, const std::string& dosPath);
    // The same, the entry taking the host file's modification time (mcopy -m).
    void copyInKeepingTime(const std::filesystem::path& hostPath, const std::string& dosPath);
    void del(const std::string& dosPath);     // mdel
    void delTree(const std::string& dosPath); // mdeltree
    // First cluster of a file or folder, and its whole chain (mshowfat).
    std::uint32_t firstCluster(const std::string& dosPath);
    std::vector<std::uint32_t> clusters(const std::string& dosPath);
    // Byte offset in the image of the first FAT's entry for `cluster`.
    std::uint64_t fatEntryOffset(std::uint32_t cluster) const;
    // First sector (absolute, in the image) of `cluster`.
    std::uint64_t clusterSector(std::uint32_t cluster) const;
    // Fills the whole of `cluster` with `fill`.
    void overwriteCluster(std::uint32_t cluster, unsigned char fill = 0);
    // Marks the first short entry whose 11 name bytes are `shortName` (for example
    // "KEEPDIR    ") deleted, leaving the rest of the volume as it is.
    void markDeleted(const std::string& shortName);
    // Writes raw bytes at an absolute byte offset of the image.
    void writeBytes(std::uint64_t offset, const std::string& bytes);

    // Points disk `disk` of the context at this image and sets the volume's name and
    // range as the partition step does (end: the last sector of the volume).
    void selectIn(app::RecoveryContext& context, unsigned disk = 0) const;

private:
    std::string mtools(const std::string& command, const std::string& args) const;

    std::filesystem::path path_;
    FatImageOptions options_;
    std::uint64_t volumeStart_ = 0;
    std::uint64_t volumeSectors_ = 0;
    // Layout read back from the boot sector.
    std::uint32_t cluster0Start_ = 0; // relative to the volume
    std::uint32_t sectorsPerCluster_ = 0;
    std::uint32_t reservedSectors_ = 0;
};

// True when truncate, mkfs.fat, sfdisk and mtools are installed.
bool haveFatTools();

} // namespace qr::test
