#pragma once
// The extents of the volume's MFT, built from record 0 (and the extension records its
// attribute list names), and the mapping of an MFT record number to its sectors.
#include "disk/SectorSource.h"
#include "ntfs/NtfsGeometry.h"
#include "ntfs/RecordSize.h"

#include <cstdint>
#include <vector>

namespace qr::ntfs {

struct MftRun {
    std::uint64_t start = 0;   // absolute sector; 0 for a run that cannot be read
    std::uint64_t sectors = 0; // length in sectors
};

class MftRunList {
public:
    // A run count above this ends the build (the count is 16 bits wide).
    static constexpr std::size_t kMaxRuns = 65535;

    void clear();
    // Appends a run; false when the list is full.
    bool append(MftRun run);
    const std::vector<MftRun>& runs() const { return runs_; }
    std::size_t count() const { return runs_.size(); }
    std::uint64_t totalSectors() const { return ends_.empty() ? 0 : ends_.back(); }
    // Sectors per record (2 unless set; a volume's own is NtfsGeometry::recordSectors):
    // 2 for a count that makes no record size.
    void setRecordSectors(std::uint32_t sectors) {
        recordSectors_ = RecordSectorsOrDefault(sectors);
    }
    std::uint32_t recordSectors() const { return recordSectors_; }
    // Whole records the runs hold.
    std::uint64_t recordCount() const { return totalSectors() / recordSectors_; }

    // The absolute sector of sector `mftSector` of the MFT (counted over its runs), or
    // 0 when it lies past the last run or in a run that cannot be read. A search over
    // the run ends, not a walk.
    std::uint64_t sectorOf(std::uint64_t mftSector) const;
    // The first sector of record `number` (its later sectors may lie in the next run).
    std::uint64_t recordToSector(std::uint32_t number) const {
        return sectorOf(std::uint64_t{number} * recordSectors_);
    }

private:
    std::uint32_t recordSectors_ = 2;
    std::vector<MftRun> runs_;
    std::vector<std::uint64_t> ends_; // MFT sector behind each run (running sum)
};

// The bytes of one record: 1024 zeros until a read gives it its volume's record size.
struct RecordBytes : std::vector<unsigned char> {
    RecordBytes() : std::vector<unsigned char>(kRecordBytes, 0) {}
};

// Reads record `number` (geometry.recordSectors sectors) through `runs`, each sector
// mapped on its own where the record straddles runs, applies the fixups and tells
// whether it begins with "FILE". Sectors outside the volume are not read.
bool ReadMftRecord(disk::SectorSource& source, const NtfsGeometry& geometry, const MftRunList& runs,
                   std::uint32_t number, RecordBytes& record);
// Reads the record at `sector` (geometry.recordSectors sectors) the same way.
bool ReadRecordAt(disk::SectorSource& source, const NtfsGeometry& geometry, std::uint64_t sector,
                  RecordBytes& record);

// Builds the MFT's runs: the unnamed data attribute of record 0 at the MFT start, then
// the extents that record 0's attribute list places in extension records, joined in
// list (VCN) order. Runs are limited to the volume: a run outside it is kept as
// unreadable so later records keep their numbers, and the runs never hold more sectors
// than the volume. Record 0 without "FILE" gives an empty list; an extension record
// without it ends the build with the runs found so far.
MftRunList BuildMftRunList(disk::SectorSource& source, const NtfsGeometry& geometry);

} // namespace qr::ntfs
