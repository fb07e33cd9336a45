#include "ntfs/MftRunList.h"

#include "ntfs/Attribute.h"
#include "ntfs/ExtensionRecords.h"
#include "ntfs/FileRecord.h"
#include "ntfs/Fixups.h"
#include "ntfs/RunList.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

namespace qr::ntfs {

void MftRunList::clear() {
    runs_.clear();
    ends_.clear();
}

bool MftRunList::append(MftRun run) {
    if (runs_.size() >= kMaxRuns)
        return false;
    runs_.push_back(run);
    ends_.push_back(totalSectors() + run.sectors);
    return true;
}

std::uint64_t MftRunList::sectorOf(std::uint64_t mftSector) const {
    // The first run whose end lies behind the sector holds it.
    const auto it = std::upper_bound(ends_.begin(), ends_.end(), mftSector);
    if (it == ends_.end())
        return 0;
    const std::size_t index = static_cast<std::size_t>(it - ends_.begin());
    const MftRun& run = runs_[index];
    if (run.start == 0)
        return 0;
    const std::uint64_t before = index == 0 ? 0 : ends_[index - 1];
    return run.start + (mftSector - before);
}

namespace {

bool insideVolume(const NtfsGeometry& geometry, std::uint64_t sector) {
    return sector >= geometry.volumeStart && sector < geometry.volumeEnd;
}

bool finishRecord(RecordBytes& record) {
    if (!IsFileRecord(disk::ByteView(record.data(), record.size())))
        return false;
    ApplyFixups(record);
    return true;
}

// Appends the runs of one extent of the MFT's data attribute, in sectors, limited so
// the runs never hold more sectors than the volume.
bool appendRuns(MftRunList& list, const NtfsGeometry& geometry, const RunListDecode& decoded) {
    const std::uint64_t volumeSectors = geometry.volumeEnd - geometry.volumeStart;
    const std::uint64_t spc = geometry.sectorsPerCluster;
    for (const DataRun& run : decoded.runs) {
        const std::uint64_t room = volumeSectors - std::min(volumeSectors, list.totalSectors());
        if (room == 0)
            return false;
        MftRun mft;
        mft.sectors = std::min(room / spc, run.length) * spc;
        const std::uint64_t first = run.sparse() ? 0 : geometry.clusterSector(run.cluster);
        // A run that starts inside the volume but runs past it keeps its length; the
        // records behind the volume's end are not read.
        mft.start = first;
        if (mft.sectors == 0 || !list.append(mft))
            return false;
    }
    return true;
}

} // namespace

bool ReadRecordAt(disk::SectorSource& source, const NtfsGeometry& geometry, std::uint64_t sector,
                  RecordBytes& record) {
    const std::uint32_t sectors = geometry.recordSectors;
    record.assign(std::size_t{sectors} * disk::kSectorBytes, 0);
    if (sectors == 0 || !insideVolume(geometry, sector) ||
        !insideVolume(geometry, sector + sectors - 1))
        return false;
    source.readSectors(sector, sectors, record.data());
    return finishRecord(record);
}

bool ReadMftRecord(disk::SectorSource& source, const NtfsGeometry& geometry, const MftRunList& runs,
                   std::uint32_t number, RecordBytes& record) {
    const std::uint32_t sectors = geometry.recordSectors;
    const std::uint64_t at = std::uint64_t{number} * runs.recordSectors();
    const std::uint64_t first = runs.sectorOf(at);
    const std::uint64_t last = sectors == 0 ? 0 : runs.sectorOf(at + sectors - 1);
    if (first != 0 && last == first + sectors - 1)
        return ReadRecordAt(source, geometry, first, record);
    // The record straddles runs: each sector on its own.
    record.assign(std::size_t{sectors} * disk::kSectorBytes, 0);
    for (std::uint32_t i = 0; i < sectors; ++i) {
        const std::uint64_t sector = runs.sectorOf(at + i);
        if (!insideVolume(geometry, sector))
            return false;
        source.readSectors(sector, 1, record.data() + std::size_t{i} * disk::kSectorBytes);
    }
    return finishRecord(record);
}

MftRunList BuildMftRunList(disk::SectorSource& source, const NtfsGeometry& geometry) {
    MftRunList list;
    list.setRecordSectors(geometry.recordSectors);
    if (geometry.sectorsPerCluster == 0 || geometry.volumeEnd <= geometry.volumeStart)
        return list;
    RecordBytes record{};
    if (!ReadRecordAt(source, geometry, geometry.mftStart, record))
        return list;
    const disk::ByteView zero(record.data(), record.size());
    Attribute data;
    bool haveData = false;
    {
        AttributeWalk walk(zero);
        Attribute attribute;
        while (walk.next(attribute))
            if (attribute.type() == kData && attribute.unnamed() && attribute.nonResident() &&
                attribute.lowestVcn() == 0) {
                data = attribute;
                haveData = true;
                break;
            }
    }
    if (haveData && !appendRuns(list, geometry, DecodeRunList(data.runList(), 0)))
        return list;

    // Extents of the data attribute held by extension records, in VCN order.
    const auto entries = LoadAttributeList(source, geometry, zero);
    if (!entries)
        return list;
    std::set<std::pair<std::uint32_t, std::uint64_t>> seen;
    for (const AttributeListEntry& entry : *entries) {
        if (entry.type != kData || entry.nameLength != 0 || entry.lowestVcn == 0)
            continue;
        // A list that names an extent twice, or itself, adds nothing more.
        if (!seen.insert({entry.record, entry.lowestVcn}).second)
            continue;
        RecordBytes extension{};
        if (!ReadMftRecord(source, geometry, list, entry.record, extension))
            break;
        const disk::ByteView view(extension.data(), extension.size());
        AttributeWalk walk(view);
        Attribute attribute;
        bool found = false;
        while (walk.next(attribute)) {
            if (attribute.type() == kData && attribute.unnamed() && attribute.nonResident() &&
                attribute.lowestVcn() == entry.lowestVcn) {
                found = true;
                break;
            }
        }
        if (!found)
            break;
        // The extent must continue where the runs so far end.
        if (attribute.lowestVcn() * geometry.sectorsPerCluster != list.totalSectors())
            break;
        if (!appendRuns(list, geometry, DecodeRunList(attribute.runList(), attribute.lowestVcn())))
            break;
    }
    return list;
}

} // namespace qr::ntfs
