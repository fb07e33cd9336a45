#include "ntfs/MftWalk.h"

#include "disk/Sweep.h"
#include "model/LostDirectories.h"
#include "model/RecordTable.h"
#include "ntfs/AttributeLookups.h"
#include "ntfs/ExtensionRecords.h"
#include "ntfs/FileRecord.h"
#include "ntfs/Fixups.h"
#include "ntfs/NamedStreams.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <vector>

namespace qr::ntfs {

namespace {

// A number's decimal text without an allocation.
class Decimal {
public:
    template <typename T> explicit Decimal(T value) {
        length_ =
            static_cast<std::size_t>(std::to_chars(text_, text_ + sizeof text_, value).ptr - text_);
    }
    operator std::string_view() const { return {text_, length_}; }

private:
    char text_[24];
    std::size_t length_ = 0;
};

// Turns records into rows. The name and the data size come from the base record; only
// when it lacks one are the records of its attribute list read, in list order.
class RecordRows {
public:
    RecordRows(disk::SectorSource& source, const NtfsGeometry& geometry, const MftRunList& runs,
               model::RecordTable& folders, model::RecordTable& files)
        : source_(source), geometry_(geometry), runs_(runs), folders_(folders), files_(files) {}

    void take(std::uint32_t number, std::uint64_t sector, RecordBytes& record,
              MftWalkResult& result) {
        const disk::ByteView view(record.data(), record.size());
        if (!IsFileRecord(view))
            return;
        ApplyFixups(record);
        const FileRecordHeader header = ReadFileRecordHeader(view);
        const std::uint8_t flags = header.flags;
        const bool directory = IsDirectoryFlags(flags);
        // An extension record carries attributes of its base record's file (which may
        // include a copy of its name); it is no file of its own.
        if ((!directory && !IsFileFlags(flags)) || header.baseRecord != 0)
            return;
        listed_.clear();
        listLoaded_ = false;
        std::optional<FileNameValue> name = FindFileName(view);
        if (!name)
            name = fromListed(number, view, [](disk::ByteView r) { return FindFileName(r); });
        if (!name)
            return;
        if (directory) {
            Decimal sectorText(static_cast<std::uint32_t>(sector)), self(number),
                parent(name->parent), date(name->created);
            folders_.appendCells({name->name, sectorText, self, parent, date, "", "0", "", "",
                                  "FOLDER", flags == 2 ? "1" : ""});
            ++result.folders;
            return;
        }
        std::optional<std::uint64_t> size = FindDataSize(view);
        if (!size)
            size = fromListed(number, view, [](disk::ByteView r) { return FindDataSize(r); });
        Decimal sectorText(static_cast<std::uint32_t>(sector)), self(number), parent(name->parent),
            date(name->created), sizeText(size.value_or(0));
        const std::string_view deleted = flags == 0 ? "1" : "";
        files_.appendCells(
            {name->name, sectorText, self, parent, date, "", sizeText, "", "", "FILE", deleted});
        ++result.files;
        // Its named streams follow it, as "name:stream" rows.
        for (const NamedStream& stream : FindNamedStreams(view)) {
            const Decimal streamSize(stream.size);
            files_.appendCells({name->name + ":" + stream.name, sectorText, self, parent, date, "",
                                streamSize, stream.name, "", "FILE", deleted});
        }
    }

private:
    // The first answer of `lookup` over the other records of the attribute list.
    template <typename Lookup>
    auto fromListed(std::uint32_t number, disk::ByteView base, Lookup lookup)
        -> decltype(lookup(base)) {
        if (!listLoaded_) {
            listLoaded_ = true;
            if (const auto entries = LoadAttributeList(source_, geometry_, base)) {
                for (const AttributeListEntry& entry : *entries) {
                    if (listed_.size() >= kMaxListedRecords)
                        break;
                    if (entry.record != number &&
                        std::find(listed_.begin(), listed_.end(), entry.record) == listed_.end())
                        listed_.push_back(entry.record);
                }
            }
        }
        for (const std::uint32_t other : listed_) {
            RecordBytes extension{};
            if (!ReadMftRecord(source_, geometry_, runs_, other, extension))
                continue;
            if (auto found = lookup(disk::ByteView(extension.data(), extension.size())))
                return found;
        }
        return std::nullopt;
    }

    disk::SectorSource& source_;
    const NtfsGeometry& geometry_;
    const MftRunList& runs_;
    model::RecordTable& folders_;
    model::RecordTable& files_;
    std::vector<std::uint32_t> listed_;
    bool listLoaded_ = false;
};

} // namespace

MftWalkResult WalkMftStandard(disk::SectorSource& source, const NtfsGeometry& geometry,
                              const MftRunList& runs, model::RecordTable& folderTable,
                              model::RecordTable& fileTable, volume::SearchProgress& progress,
                              std::stop_token stop) {
    model::InsertLostFolderRow(folderTable, kRootRecord);
    MftWalkResult result;
    progress.phase(volume::SearchPhase::MftWalk);
    const std::uint64_t total = runs.recordCount();
    progress.position(0, total);
    RecordRows rows(source, geometry, runs, folderTable, fileTable);
    const std::uint64_t perRecord = runs.recordSectors();
    RecordBytes record{};
    record.assign(perRecord * disk::kSectorBytes, 0);
    std::uint64_t runBase = 0;      // MFT sector at which the current run starts
    std::uint64_t recordSector = 0; // where the record being gathered begins
    for (const MftRun& run : runs.runs()) {
        const std::uint64_t runEnd = runBase + run.sectors;
        if (run.start != 0 && run.start < geometry.volumeEnd) {
            const disk::SweepRange range{run.start,
                                         std::min(run.start + run.sectors, geometry.volumeEnd)};
            const disk::SweepOutcome outcome = disk::SweepBatches(
                source, range, {}, stop, [&](std::uint64_t first, disk::ByteView bytes) {
                    const std::uint64_t sectors = bytes.size() / disk::kSectorBytes;
                    for (std::uint64_t i = 0; i < sectors; ++i) {
                        // Sector v of the MFT, sector `inRecord` of its record.
                        const std::uint64_t v = runBase + (first + i - run.start);
                        const std::uint64_t inRecord = v % perRecord;
                        std::memcpy(record.data() + inRecord * disk::kSectorBytes,
                                    bytes.data() + i * disk::kSectorBytes, disk::kSectorBytes);
                        if (inRecord == 0)
                            recordSector = first + i;
                        if (inRecord + 1 < perRecord)
                            continue;
                        const std::uint64_t number = v / perRecord;
                        if (number > UINT32_MAX)
                            return false;
                        rows.take(static_cast<std::uint32_t>(number), recordSector, record, result);
                        result.records = number + 1;
                    }
                    progress.position(result.records, total);
                    progress.counter(volume::SearchCounter::MftRecords, result.records);
                    return true;
                });
            if (outcome.end == disk::SweepEnd::Stopped) {
                result.stopped = true;
                break;
            }
            if (outcome.end == disk::SweepEnd::MediumLost) {
                result.mediumLost = true;
                break;
            }
        }
        // Records behind a run that could not be read keep their numbers; a record that
        // goes on in the next run keeps the sectors gathered so far.
        if (run.start == 0)
            std::fill(record.begin(), record.end(), 0);
        runBase = runEnd;
        result.records = std::max(result.records, runBase / perRecord);
    }
    progress.position(result.records, total);
    progress.counter(volume::SearchCounter::MftRecords, result.records);
    return result;
}

} // namespace qr::ntfs
