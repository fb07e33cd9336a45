#include "volume/MediumSectorSize.h"

#include "disk/ByteView.h"
#include "disk/SectorSource.h"
#include "volume/BootSectorCheck.h"
#include "volume/SectorRead.h"
#include "volume/TableSector.h"

namespace qr::volume {
namespace {

constexpr std::size_t kFirstEntry = 0x1BE;
constexpr std::size_t kEntrySize = 16;

// The size whose sector 1 holds the GPT header; 0 when none does.
std::uint32_t gptSectorBytes(disk::SectorSource& source) {
    for (const std::uint32_t size : kMediumSectorSizes)
        if (ReadSector(source, size / disk::kSectorBytes).hasText(0, "EFI PART"))
            return size;
    return 0;
}

// The size in whose sectors an MBR entry's start leads to a boot sector naming that
// same size; 512 first, so a table of 512-byte sectors is read as ever.
std::uint32_t mbrSectorBytes(disk::SectorSource& source, const Sector& mbr) {
    const std::uint64_t diskSectors = source.sectorCount();
    for (const std::uint32_t size : kMediumSectorSizes) {
        const std::uint64_t k = size / disk::kSectorBytes;
        for (int i = 0; i < 4; ++i) {
            const std::size_t at = kFirstEntry + static_cast<std::size_t>(i) * kEntrySize;
            const std::uint64_t start = mbr.u32(at + 8);
            // Nothing is read behind the medium's end.
            if (mbr.u8(at + 4) == 0 || start == 0 || (diskSectors != 0 && start * k >= diskSectors))
                continue;
            const Sector first = ReadSector(source, start * k);
            const auto volume = RecogniseBootSector(disk::ByteView(first.bytes), 0, 0);
            if (volume && volume->sectorBytes == size)
                return size;
        }
    }
    return 0;
}

} // namespace

std::uint32_t MediumSectorBytes(disk::SectorSource& source) {
    if (const std::uint32_t device = source.deviceSectorBytes(); device != 0)
        return device;
    const Sector sector0 = ReadSector(source, 0);
    const disk::ByteView bytes(sector0.bytes);
    if (HasGptEntry(bytes))
        if (const std::uint32_t gpt = gptSectorBytes(source); gpt != 0)
            return gpt;
    if (const auto volume = RecogniseBootSector(bytes, 0, 0))
        return volume->sectorBytes;
    if (const std::uint32_t mbr = mbrSectorBytes(source, sector0); mbr != 0)
        return mbr;
    return disk::kSectorBytes;
}

} // namespace qr::volume
