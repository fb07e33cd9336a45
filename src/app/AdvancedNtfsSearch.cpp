#include "app/AdvancedNtfsSearch.h"

#include "app/AdvancedFatSearch.h"
#include "app/FolderCommands.h"
#include "app/RecoveryContext.h"
#include "app/ScanDriver.h"
#include "disk/SectorReader.h"
#include "model/LostDirectories.h"
#include "model/RecoveryTree.h"
#include "ntfs/AssignMftNumbers.h"
#include "ntfs/Attribute.h"
#include "ntfs/AttributeLookups.h"
#include "ntfs/DataAttribute.h"
#include "ntfs/ExtensionRecords.h"
#include "ntfs/FileRecord.h"
#include "ntfs/MftRunList.h"
#include "ntfs/MftWalk.h"
#include "ntfs/NtfsEngine.h"
#include "ntfs/RecordSize.h"
#include "ntfs/ScanSectorsForNtfs.h"
#include "volume/MediumSectorSize.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>

namespace qr::app {

namespace {

using namespace item;

const char* const kPickInstructions = "For selecting partition click on back button and for save "
                                      "Files or Directories click on next button.";
const char* const kNoFileSystem = "No file sytem could be identified";

struct PickedVolume {
    std::uint32_t number = 0; // 1-based
    std::uint64_t start = 0;
    std::uint64_t last = 0; // last sector
    std::uint32_t sectorsPerCluster = 0;
};

bool inside(const PickedVolume& volume, std::uint64_t sector) {
    return sector >= volume.start && sector <= volume.last;
}

// The picked volume's directories in front of the Lost row, named as the records name
// them; a deleted directory keeps its label. Directories whose record lies outside the
// volume belong to another one and are left out.
void copyDirectories(model::RecordTables& tables, const PickedVolume& volume) {
    using namespace model;
    std::unordered_map<std::uint32_t, bool> deletedAt;
    const RecordTable& mft = tables.mftRecordTable;
    for (int i = 0; i < mft.rowCount(); ++i)
        if (mft.cellEquals(i, mft_col::Type, "FOLDER"))
            deletedAt.emplace(mft.number(i, mft_col::Sector), mft.flag(i, mft_col::Deleted));

    const RecordTable& dirs = tables.dirClusterTable;
    RecordTable& folders = tables.folderTable;
    int copied = 0;
    for (int i = 0; i < dirs.rowCount(); ++i) {
        const std::uint32_t sector = dirs.number(i, dircluster_col::Sector);
        if (dirs.number(i, dircluster_col::FileSystem) != volume.number || !inside(volume, sector))
            continue;
        const int row = folders.insertRow(copied++, dirs.cell(i, dircluster_col::Time, 766));
        folders.setNumber(row, folder_col::Sector, sector);
        folders.setCell(row, folder_col::Self, dirs.cell(i, dircluster_col::SelfCluster));
        folders.setCell(row, folder_col::Parent, dirs.cell(i, dircluster_col::ParentCluster));
        folders.setCell(row, folder_col::Date, dirs.cell(i, dircluster_col::Date));
        folders.setCell(row, folder_col::Size, "0");
        folders.setCell(row, folder_col::Attr, "16");
        folders.setCell(row, folder_col::Type, "FOLDER");
        const auto deleted = deletedAt.find(sector);
        if (deleted != deletedAt.end() && deleted->second)
            folders.setCell(row, folder_col::Deleted, "1");
    }
}

// The MFT number of the record at `sector` through the MFT's runs; nothing when the
// sector lies in none of them.
std::optional<std::uint32_t> numberAt(const ntfs::MftRunList& runs, std::uint64_t sector) {
    std::uint64_t base = 0;
    for (const ntfs::MftRun& run : runs.runs()) {
        if (run.start != 0 && sector >= run.start && sector < run.start + run.sectors)
            return static_cast<std::uint32_t>((base + sector - run.start) / runs.recordSectors());
        base += run.sectors;
    }
    return std::nullopt;
}

// What a base record keeps in its extension records when its attributes did not fit:
// the file name and the data attribute, found through its attribute list.
struct ListedFile {
    std::optional<ntfs::FileNameValue> name;
    std::uint64_t size = 0;
};

ListedFile readListedFile(disk::SectorSource& source, const ntfs::NtfsGeometry& geometry,
                          const ntfs::MftRunList& runs, std::uint32_t number,
                          std::uint64_t sector) {
    ListedFile file;
    ntfs::RecordBytes record{};
    if (!ntfs::ReadRecordAt(source, geometry, sector, record))
        return file;
    const disk::ByteView base(record.data(), record.size());
    const auto entries = ntfs::LoadAttributeList(source, geometry, base);
    if (!entries)
        return file;
    file.name = ntfs::FindFileName(base);
    for (std::size_t i = 0; i < entries->size() && !file.name; ++i) {
        const ntfs::AttributeListEntry& entry = (*entries)[i];
        ntfs::RecordBytes other{};
        if (entry.type == ntfs::kFileName && entry.record != number &&
            ntfs::ReadMftRecord(source, geometry, runs, entry.record, other))
            file.name = ntfs::FindFileName(disk::ByteView(other.data(), other.size()));
    }
    const ntfs::DataAttribute data =
        ntfs::GatherDataAttribute(source, geometry, runs, number, base);
    if (data.found)
        file.size = data.resident ? data.value.size() : data.realSize;
    return file;
}

// The files of the picked volume as FileTable rows. MftRecordTable keeps every row, so
// another volume can be picked after going back; files of other volumes never reach
// this volume's folders. Where the volume's MFT is known, a record's number is the one
// its place in the MFT gives, and a file whose size lies in extension records gets it.
void copyFiles(RecoveryContext& context, const PickedVolume& volume,
               const ntfs::NtfsVolumeState& state) {
    using namespace model;
    const RecordTable& mft = context.tables.mftRecordTable;
    RecordTable& files = context.tables.fileTable;
    files.clear();
    for (int i = 0; i < mft.rowCount(); ++i) {
        const std::uint32_t sector = mft.number(i, mft_col::Sector);
        if (mft.cellEquals(i, mft_col::Type, "FOLDER") || !inside(volume, sector))
            continue;
        std::uint32_t self = mft.number(i, mft_col::SelfMft);
        std::string name = mft.cell(i, mft_col::Name, 766);
        std::string parent = mft.cell(i, mft_col::ParentMft);
        std::string date = mft.cell(i, mft_col::Date);
        auto size = static_cast<std::uint64_t>(mft.number64(i, mft_col::Size));
        if (const auto placed = numberAt(state.mftRuns, sector))
            self = *placed;
        // A record whose name or data lies in extension records: only its attribute
        // list tells them, through the MFT.
        if ((name.empty() || size == 0) && context.reader && !state.mftRuns.runs().empty()) {
            const ListedFile listed =
                readListedFile(*context.reader, state.geometry, state.mftRuns, self, sector);
            if (name.empty() && listed.name) {
                name = listed.name->name;
                parent = std::to_string(listed.name->parent);
                date = std::to_string(listed.name->created);
            }
            if (size == 0)
                size = listed.size;
        }
        if (name.empty())
            continue; // no file of its own (an extension record, an unused record)
        files.appendCells({name, mft.cell(i, mft_col::Sector), std::to_string(self), parent, date,
                           "", std::to_string(size), "", "", "FILE",
                           mft.flag(i, mft_col::Deleted) ? "1" : ""});
    }
}

// The MFT of the volume: where its boot sector puts it, else where the sweep found the
// record named "$MFT" inside the volume.
// The MFT's runs of the picked volume; its first sector goes into `geometry`.
ntfs::MftRunList mftRunsOf(RecoveryContext& context, ntfs::NtfsGeometry& geometry) {
    using namespace model;
    ntfs::NtfsGeometry& withMft = geometry;
    const RecordTable& boots = context.tables.bootSectorTable;
    for (int i = 0; i < boots.rowCount() && withMft.mftStart == 0; ++i)
        if (boots.number(i, boot_col::Sector) == geometry.volumeStart &&
            boots.number(i, boot_col::Spf) == geometry.sectorsPerCluster)
            withMft.mftStart =
                geometry.volumeStart + std::uint64_t{boots.number(i, boot_col::ReserveSectors)} *
                                           geometry.sectorsPerCluster;
    const RecordTable& mft = context.tables.mftRecordTable;
    for (int i = 0; i < mft.rowCount() && withMft.mftStart == 0; ++i) {
        const std::uint32_t sector = mft.number(i, mft_col::Sector);
        if (sector >= geometry.volumeStart && sector < geometry.volumeEnd &&
            mft.cellEquals(i, mft_col::Name, "$MFT") &&
            mft.number(i, mft_col::ParentMft) == ntfs::kRootRecord)
            withMft.mftStart = sector;
    }
    if (withMft.mftStart == 0)
        return {};
    // Its records are as large as its first one says (4096 bytes on a volume of
    // 4096-byte sectors).
    unsigned char head[disk::kSectorBytes];
    context.reader->readSectors(withMft.mftStart, 1, head);
    if (const disk::ByteView first(head, sizeof head);
        ntfs::IsFileRecord(first) && ntfs::IsRecordBytes(first.u32(0x1C)))
        withMft.recordSectors = first.u32(0x1C) / disk::kSectorBytes;
    return ntfs::BuildMftRunList(*context.reader, withMft);
}

} // namespace

bool SweepAdvancedNtfs(RecoveryContext& context, std::stop_token stop) {
    WindowItems& window = context.window();
    window.setItemText(kCounterLabel, "Files Found                                :");
    window.showItem(kBootSectorsLabel, true);
    window.showItem(kBootSectorsFound, true);
    context.ntfsVolume = std::make_shared<ntfs::NtfsVolumeState>();
    if (!context.reader)
        return true;
    const volume::VolumeParams& v = context.volumeParams;
    // The medium's sector size gives its volumes' record size; an image that says none
    // (512 by default) may hold volumes of any.
    std::uint32_t sectorBytes = context.reader->deviceSectorBytes();
    if (sectorBytes == 0)
        if (const std::uint32_t own = volume::MediumSectorBytes(*context.reader);
            own != disk::kSectorBytes)
            sectorBytes = own;
    ntfs::NtfsSweepResult result =
        ntfs::ScanSectorsForNtfs(*context.reader, v.partitionStart, v.partitionEnd, context.tables,
                                 stop, context.progress(), ntfs::kNtfsSweepBatch, sectorBytes);
    context.ntfsVolume->signatures = std::move(result.signatures);
    return !stop.stop_requested();
}

void NtfsAssignmentWorker(RecoveryContext& context, std::stop_token stop) {
    WindowItems& window = context.window();
    if (!context.ntfsVolume)
        context.ntfsVolume = std::make_shared<ntfs::NtfsVolumeState>();
    context.fileSystemCount = 0;
    if (context.reader) {
        const ntfs::AssignmentResult result = ntfs::AssignMftNumbers(
            *context.reader, context.tables, context.volumeParams.partitionEnd,
            &context.ntfsVolume->signatures, context.progress(), stop);
        context.fileSystemCount = result.fileSystems;
    }
    FillRecoveryDetails(context);
    if (!stop.stop_requested()) {
        const model::TreeItem first = ListFileSystemItems(context);
        window.showItem(kSearchView, false);
        window.showItem(kFileSystemTree, true);
        if (first != model::kNoItem)
            context.fileSystemTree.setSelected(first);
        window.showItem(kProgressBar, false);
        window.showItem(kProgressCaption, false);
        if (context.fileSystemCount > 0) {
            ShowFileSystemDetails(context, 0);
        } else if (context.messages) {
            context.messages->error(kNoFileSystem);
        }
        window.enableItem(kBack, true);
        window.enableItem(kNext, context.fileSystemCount > 0);
    }
    context.assignmentRunning = false;
}

void StartNtfsAssignment(RecoveryContext& context) {
    WindowItems& window = context.window();
    window.showItem(kStopSearch, false);
    window.showItem(kBootSectorsLabel, false);
    window.showItem(kBootSectorsFound, false);
    if (context.assignmentWorker.joinable()) {
        context.assignmentWorker.request_stop();
        context.assignmentWorker.join();
    }
    context.assignmentRunning = true;
    context.assignmentWorker = std::jthread(
        [&context](std::stop_token stop) { NtfsAssignmentWorker(context, std::move(stop)); });
    window.setItemText(kStatusLine, kPickInstructions);
}

void OpenPickedNtfsFileSystem(RecoveryContext& context) {
    using namespace model::boot_col;
    WindowItems& window = context.window();
    const model::RecordTable& systems = context.tables.fileSystemTable;
    const int row = context.pickedFileSystem;
    if (row < 0 || row >= systems.rowCount())
        return;
    PickedVolume volume;
    volume.number = static_cast<std::uint32_t>(row + 1);
    volume.start = systems.number(row, Cluster0Start);
    volume.last = std::max<std::uint64_t>(systems.number(row, Spf), volume.start);
    volume.sectorsPerCluster = systems.number(row, Spc);

    copyDirectories(context.tables, volume);
    context.activeGeometry.cluster0Start = static_cast<std::uint32_t>(volume.start);
    context.activeGeometry.fileSystemName = systems.cell(row, PartType);
    context.activeGeometry.sectorsPerCluster = volume.sectorsPerCluster;

    auto state = std::make_shared<ntfs::NtfsVolumeState>();
    if (context.ntfsVolume)
        state->signatures = std::move(context.ntfsVolume->signatures);
    state->hasGeometry = true;
    state->geometry.volumeStart = volume.start;
    state->geometry.volumeEnd = volume.last + 1;
    state->geometry.sectorsPerCluster = volume.sectorsPerCluster;
    state->mftRuns = mftRunsOf(context, state->geometry);
    state->runsBuilt = true;
    // The working copy keeps the rest of the picked geometry for a recovery log: the
    // last sector where the file-system table has it (its sectors-per-FAT column) and
    // the MFT's start.
    context.activeGeometry.sectorsPerFat = static_cast<std::uint32_t>(volume.last);
    context.activeGeometry.mftStart = static_cast<std::uint32_t>(state->geometry.mftStart);
    context.activeGeometry.mftRecordSectors = state->geometry.recordSectors;
    context.ntfsVolume = std::move(state);

    model::FindLostDirectories(context.tables.folderTable, model::kNtfsRootParent,
                               context.progress());
    context.folderNodes.clear();
    context.recoveryTree.clear();
    app::EnsureRootItem(context);
    window.showItem(kProgressBar, true);
    window.showItem(kProgressCaption, true);
    window.setItemText(kProgressCaption, "Storing Directory Information. Please Wait...");
    app::BuildFolderTree(context, model::TreeVariant::Ntfs);
    window.enableItem(kMenuSaveLog, true);
    copyFiles(context, volume, *context.ntfsVolume);
}

void RestorePickedNtfsVolume(RecoveryContext& context) {
    const fat::ActiveGeometry& working = context.activeGeometry;
    auto state = std::make_shared<ntfs::NtfsVolumeState>();
    state->hasGeometry = true;
    state->geometry.volumeStart = working.cluster0Start;
    // A log without the last sector bounds the volume by the searched range.
    const std::uint64_t last =
        working.sectorsPerFat > working.cluster0Start
            ? working.sectorsPerFat
            : std::max<std::uint64_t>(context.volumeParams.partitionEnd, working.cluster0Start);
    state->geometry.volumeEnd = last + 1;
    state->geometry.sectorsPerCluster = working.sectorsPerCluster;
    state->geometry.mftStart = working.mftStart;
    state->geometry.recordSectors = ntfs::RecordSectorsOrDefault(working.mftRecordSectors);
    // Without the MFT's start the engine reads records where the rows say they lie.
    state->runsBuilt = working.mftStart == 0;
    context.ntfsVolume = std::move(state);
}

} // namespace qr::app
