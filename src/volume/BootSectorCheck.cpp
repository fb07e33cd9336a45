#include "volume/BootSectorCheck.h"

#include "disk/SectorSource.h"
#include "volume/EngineRegistry.h"
#include "volume/MediumSectorSize.h"

#include <algorithm>

namespace qr::volume {
namespace {

bool fitsDisk(std::uint64_t at, std::uint64_t sectors, std::uint64_t diskSectors) {
    return diskSectors == 0 || (at <= diskSectors && sectors <= diskSectors - at);
}

std::optional<BootSectorVolume> fitting(std::optional<BootSectorVolume> v, std::uint64_t at,
                                        std::uint64_t diskSectors) {
    if (v && !fitsDisk(at, v->sectors, diskSectors))
        return std::nullopt;
    return v;
}

} // namespace

bool HasBootSignature(disk::ByteView s) {
    return s.u8(0x1FE) == 0x55 && s.u8(0x1FF) == 0xAA;
}

std::optional<BootSectorVolume> RecogniseBootSector(disk::ByteView s, std::uint64_t at,
                                                    std::uint64_t diskSectors) {
    if (!s.has(0, 512) || !HasBootSignature(s))
        return std::nullopt;
    for (const EngineRow& row : EngineRows())
        if (row.recognise)
            if (auto v = row.recognise(s))
                return fitting(v, at, diskSectors);
    return std::nullopt;
}

std::uint64_t FarthestBackupOffset() {
    std::uint64_t farthest = 0;
    for (const EngineRow& row : EngineRows())
        if (row.recogniseBackup)
            farthest = std::max(farthest, row.backupOffset);
    return farthest;
}

std::optional<BootSectorVolume> RecogniseBackupBootSector(disk::ByteView run, std::uint64_t at,
                                                          std::uint64_t diskSectors) {
    for (const EngineRow& row : EngineRows()) {
        if (!row.recogniseBackup || row.backupOffset == 0)
            continue;
        // The offset counts the volume's own sectors: each sector size is tried as far
        // as the run reaches, and a backup must give the size it was found by.
        for (const std::uint32_t bytes : kMediumSectorSizes) {
            const std::uint64_t place = row.backupOffset * (bytes / disk::kSectorBytes);
            const disk::ByteView backup = run.sub(place * disk::kSectorBytes, disk::kSectorBytes);
            if (!backup.has(0, disk::kSectorBytes))
                break;
            if (auto v = row.recogniseBackup(backup); v && v->sectorBytes == bytes)
                return fitting(v, at, diskSectors);
        }
    }
    return std::nullopt;
}

} // namespace qr::volume
