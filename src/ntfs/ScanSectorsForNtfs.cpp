#include "ntfs/ScanSectorsForNtfs.h"

#include "model/RecordTable.h"
#include "ntfs/Fixups.h"
#include "ntfs/SweptRecordRows.h"
#include "volume/SearchProgress.h"

#include <algorithm>
#include <cstring>

namespace qr::ntfs {

bool IndexSignatures::holds(std::uint64_t sector) const {
    return std::binary_search(sectors.begin(), sectors.end(), sector);
}

namespace {

using volume::SearchCounter;

// The bytes of a record that begins at sector `index` of a batch: from the batch when
// they lie inside it, else read from the medium (a record across the batch's end).
void takeRecord(disk::SectorSource& source, std::uint64_t first, disk::ByteView batch,
                std::uint64_t index, std::uint32_t bytes, std::vector<unsigned char>& record) {
    record.assign(bytes, 0);
    const std::uint64_t at = index * disk::kSectorBytes;
    if (batch.has(at, bytes)) {
        std::memcpy(record.data(), batch.data() + at, bytes);
        return;
    }
    const std::uint32_t sectors = bytes / disk::kSectorBytes;
    if (sectors > 0)
        source.readSectors(first + index, sectors, record.data());
}

} // namespace

NtfsSweepResult ScanSectorsForNtfs(disk::SectorSource& source, std::uint64_t partitionStart,
                                   std::uint64_t partitionEnd, model::RecordTables& tables,
                                   std::stop_token stop, volume::SearchProgress& progress,
                                   std::uint32_t batchSectors, std::uint32_t mediumSectorBytes) {
    NtfsSweepResult result;
    result.signatures.first = result.signatures.next = partitionStart;
    progress.phase(volume::SearchPhase::MftSweep);
    progress.counter(SearchCounter::MftRecords, 0);
    progress.counter(SearchCounter::BootSectors, 0);
    progress.position(0, partitionEnd);

    disk::SweepOptions options;
    options.batchSectors = batchSectors;
    std::uint32_t shownBoot = 0;
    std::uint32_t shownRecords = 0;
    options.progress = [&](std::uint64_t next) {
        if (result.bootSectors != shownBoot)
            progress.counter(SearchCounter::BootSectors, shownBoot = result.bootSectors);
        if (result.fileRecords != shownRecords)
            progress.counter(SearchCounter::MftRecords, shownRecords = result.fileRecords);
        progress.counter(SearchCounter::IndexRecords, result.indexRecords);
        progress.position(next, partitionEnd);
    };

    std::vector<unsigned char> record;
    const disk::SweepOutcome outcome = disk::SweepBatches(
        source, {partitionStart, partitionEnd}, options, stop,
        [&](std::uint64_t first, disk::ByteView bytes) {
            const std::uint64_t sectors = bytes.size() / disk::kSectorBytes;
            for (std::uint64_t i = 0; i < sectors; ++i) {
                const disk::ByteView sector = bytes.sub(i * disk::kSectorBytes, disk::kSectorBytes);
                const std::uint64_t at = first + i;
                // A sector that ends like a boot sector is nothing else.
                if (sector.u8(510) == 0x55 && sector.u8(511) == 0xAA) {
                    if (IsNtfsBootSector(sector))
                        InsertNtfsBootSectorRow(tables.bootSectorTable,
                                                static_cast<int>(result.bootSectors++), at, sector);
                    continue;
                }
                if (const std::uint32_t size = SweptFileRecordBytes(sector, mediumSectorBytes);
                    size != 0) {
                    takeRecord(source, first, bytes, i, size, record);
                    ApplyFixups(record);
                    InsertMftRecordRow(tables.mftRecordTable,
                                       static_cast<int>(result.fileRecords++), at,
                                       disk::ByteView(record.data(), record.size()));
                } else if (sector.matches(0, "INDX")) {
                    result.signatures.sectors.push_back(at);
                    const std::uint32_t size = IndexRecordBytes(sector);
                    if (size == 0)
                        continue;
                    takeRecord(source, first, bytes, i, size, record);
                    ApplyFixups(record);
                    const IndexRecordOwner owner =
                        ReadIndexRecordOwner(disk::ByteView(record.data(), record.size()));
                    if (owner.accepted)
                        InsertIndexRecordRow(tables.indexRecordTable,
                                             static_cast<int>(result.indexRecords++), at, owner);
                }
            }
            result.signatures.next = first + sectors;
            return true;
        });
    result.end = outcome.end;
    result.next = outcome.next;
    if (outcome.end == disk::SweepEnd::Finished && outcome.clampedEnd < partitionEnd)
        progress.position(partitionEnd, partitionEnd);
    return result;
}

} // namespace qr::ntfs
