#pragma once
// Partitioned disk images made with the real tools, byte edits of image files, and a
// recovery context over one disk for the partition and volume tests.
#include "app/RecoveryContext.h"
#include "platform/RegistryData.h"
#include "support/RecordingWindow.h"
#include "support/ScriptedMessages.h"
#include "support/VolumeDisks.h"

#include <filesystem>
#include <memory>
#include <string>

namespace qr::test {

// A context whose disk 0 is read through `opener` under the name `device`.
struct VolumeTestContext {
    explicit VolumeTestContext(std::shared_ptr<disk::DeviceOpener> opener,
                               const std::string& device = "disk0");
    // Stores the disk listing's geometry values of disk 0.
    void setGeometry(std::uint64_t cylinders, std::uint64_t heads, std::uint64_t sectorsPerTrack);

    RecordingWindowItems window;
    ScriptedMessages messages;
    platform::MemoryRegistryStore registry;
    std::unique_ptr<app::RecoveryContext> ctx;
};

// The partitioned example disk: FAT32 at sector 63 of 1,000,000 sectors, an extended
// partition at 1,000,125 whose logical NTFS volume starts 63 sectors after its record.
std::filesystem::path makeFat32AndNtfsDisk(const std::filesystem::path& folder);

// mkfs.fat of `fatBits` over `sectors` sectors at sector `offset` of `image` (the
// image is grown as needed); `extra` goes to mkfs.fat as it is.
void formatFat(const std::filesystem::path& image, int fatBits, std::uint64_t offset,
               std::uint64_t sectors, const std::string& extra = "");
// Makes the folders (paths such as "/A" or "/A/B") with mmd in the FAT volume at `offset`.
void makeFatFolders(const std::filesystem::path& image, std::uint64_t offset,
                    std::initializer_list<const char*> folders);
// mkntfs over `sectors` sectors written into `image` at sector `offset`.
void formatNtfs(const std::filesystem::path& image, std::uint64_t offset, std::uint64_t sectors,
                const std::string& extra = "");

// Runs recovery-cli with `image` as disk 0 and `args`; expects exit code `expected`
// (a test failure otherwise). Returns what it printed, error output included.
std::string cli(const std::filesystem::path& image, const std::string& args, int expected = 0);

SectorBytes readImageSector(const std::filesystem::path& image, std::uint64_t sector);
void writeImageSector(const std::filesystem::path& image, std::uint64_t sector,
                      const SectorBytes& bytes);

std::uint32_t le32(const SectorBytes& s, std::size_t offset);
std::uint16_t le16(const SectorBytes& s, std::size_t offset);

} // namespace qr::test
