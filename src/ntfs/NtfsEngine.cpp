#include "ntfs/NtfsEngine.h"

#include "model/RecordTable.h"
#include "ntfs/DataAttribute.h"
#include "ntfs/FileRecord.h"
#include "ntfs/MftWalk.h"
#include "ntfs/NtfsExtract.h"
#include "ntfs/StandardInformation.h"
#include "volume/DateFormats.h"
#include "volume/EntryTimes.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <utility>

namespace qr::ntfs {

NtfsEngine::NtfsEngine(disk::SectorSource& source, const NtfsGeometry& geometry,
                       std::shared_ptr<NtfsVolumeState> state, const model::RecordTable& fileTable)
    : source_(source), geometry_(geometry), state_(std::move(state)), fileTable_(fileTable) {
    if (!state_)
        state_ = std::make_shared<NtfsVolumeState>();
}

NtfsEngine::NtfsEngine(disk::SectorSource& source, const NtfsGeometry& geometry, MftRunList mftRuns,
                       const model::RecordTable& fileTable)
    : NtfsEngine(source, geometry, std::make_shared<NtfsVolumeState>(), fileTable) {
    state_->mftRuns = std::move(mftRuns);
    state_->runsBuilt = true;
}

namespace {
// A name of 255 UTF-16 units takes up to 765 bytes of UTF-8.
constexpr std::size_t kNameCellBuffer = 255 * 3 + 1;
} // namespace

std::uint32_t NtfsEngine::rootKey() const {
    return kRootRecord;
}

void NtfsEngine::buildIndex() {
    using namespace model::folder_col;
    state_->rowsByParent.clear();
    state_->rereadSizes.clear();
    state_->streamRows.clear();
    for (int row = 0; row < fileTable_.rowCount(); ++row) {
        if (fileTable_.number(row, Self) < kFirstUserRecord)
            continue;
        state_->rowsByParent[fileTable_.number(row, Parent)].push_back(row);
        if (!fileTable_.view(row, Attr).empty())
            state_->streamRows.emplace(std::pair{fileTable_.number(row, Sector),
                                                 fileTable_.cell(row, Name, kNameCellBuffer)},
                                       row);
    }
    state_->indexed = true;
}

void NtfsEngine::listFiles(std::uint32_t key, bool /*folderDeleted*/,
                           const std::function<bool(const volume::FolderFile&)>& visit) {
    using namespace model::folder_col;
    const std::vector<int>* rows = nullptr;
    {
        std::lock_guard lock(state_->mutex);
        if (!state_->indexed)
            buildIndex();
        const auto found = state_->rowsByParent.find(key);
        if (found == state_->rowsByParent.end())
            return;
        // The index is made once and not changed after: its rows are read unlocked, so
        // `visit` may list other folders.
        rows = &found->second;
    }
    for (const int row : *rows) {
        volume::FolderFile file;
        file.name = fileTable_.cell(row, Name, kNameCellBuffer);
        file.size = static_cast<std::uint64_t>(fileTable_.number64(row, Size));
        file.deleted = fileTable_.flag(row, Deleted);
        file.stamp.date = static_cast<std::uint64_t>(fileTable_.number64(row, Date));
        file.location = fileTable_.number(row, Sector);
        file.selfKey = fileTable_.number(row, Self);
        file.parentKey = key;
        file.stream = fileTable_.cell(row, Attr, kNameCellBuffer);
        if (file.size == kClippedListedSize)
            file.size = rereadSize(row, file);
        file.validLength = file.size;
        if (!visit(file))
            return;
    }
}

std::uint64_t NtfsEngine::rereadSize(int row, const volume::FolderFile& file) {
    {
        std::lock_guard lock(state_->mutex);
        if (const auto known = state_->rereadSizes.find(row); known != state_->rereadSizes.end())
            return known->second;
    }
    // Read unlocked, so one thread's listing does not wait for another's reads; two
    // threads that read the same record keep the size found first.
    const std::uint64_t size = NtfsWholeSize(source_, geometry_, mftRuns(),
                                             {file.selfKey, file.location, file.size}, file.stream);
    std::lock_guard lock(state_->mutex);
    return state_->rereadSizes.emplace(row, size).first->second;
}

const MftRunList& NtfsEngine::mftRuns() {
    // Built once, so extension records can be found; unchanged after, so the list is
    // read unlocked.
    std::lock_guard lock(state_->mutex);
    if (!state_->runsBuilt) {
        state_->runsBuilt = true;
        state_->mftRuns = BuildMftRunList(source_, geometry_);
    }
    return state_->mftRuns;
}

volume::ExtractReport NtfsEngine::extract(const volume::FolderFile& file, volume::FileSink& sink,
                                          const volume::ExtractOptions& /*options*/) {
    return ExtractNtfsFile(source_, geometry_, mftRuns(), {file.selfKey, file.location, file.size},
                           sink, streamOf(file));
}

std::string NtfsEngine::streamOf(const volume::FolderFile& file) {
    if (!file.stream.empty() || file.name.find(':') == std::string::npos)
        return file.stream;
    std::lock_guard lock(state_->mutex);
    if (!state_->indexed)
        buildIndex();
    const auto found =
        state_->streamRows.find({static_cast<std::uint32_t>(file.location), file.name});
    return found == state_->streamRows.end()
               ? std::string{}
               : fileTable_.cell(found->second, model::folder_col::Attr, kNameCellBuffer);
}

bool NtfsEngine::readRecord(const volume::FolderFile& file, RecordBytes& record) {
    const MftRunList& runs = mftRuns();
    if (file.location == 0 || runs.recordToSector(file.selfKey) == file.location)
        return ReadMftRecord(source_, geometry_, runs, file.selfKey, record);
    return ReadRecordAt(source_, geometry_, file.location, record);
}

const ClusterBitmap& NtfsEngine::bitmap() {
    const MftRunList& runs = mftRuns();
    // Read once under the lock, never changed after: read unlocked.
    std::lock_guard lock(state_->mutex);
    if (!state_->bitmap)
        state_->bitmap = ClusterBitmap::Load(source_, geometry_, runs);
    return *state_->bitmap;
}

volume::Recoverability NtfsEngine::recoverability(const volume::FolderFile& file) {
    using volume::Recoverability;
    RecordBytes record{};
    // A record that is no file record now, or one in use again, belongs to another file.
    if (!readRecord(file, record))
        return Recoverability::Overwritten;
    const disk::ByteView view(record.data(), record.size());
    if ((ReadFileRecordHeader(view).flags & kInUse) != 0)
        return Recoverability::Overwritten;
    if (file.size == 0)
        return Recoverability::Intact;
    const std::uint32_t number = file.selfKey != 0 ? file.selfKey : view.u32(0x2C);
    const DataAttribute data = GatherDataAttribute(source_, geometry_, mftRuns(), number, view);
    if (!data.found)
        return Recoverability::Unknown;
    volume::ClusterTally tally;
    if (data.resident) {
        tally.total = 1; // the value lives in the record, which nobody took
        return volume::JudgeRecoverability(
            tally,
            volume::CheckContent(file.name, disk::ByteView(data.value.data(), data.value.size())));
    }
    const ClusterBitmap& taken = bitmap();
    if (taken.empty())
        return Recoverability::Unknown;
    std::int64_t firstCluster = -1;
    for (const DataRun& run : data.runs) {
        if (run.sparse())
            continue;
        if (firstCluster < 0)
            firstCluster = run.cluster;
        tally.total += run.length;
        tally.taken += taken.takenOf(static_cast<std::uint64_t>(run.cluster), run.length);
    }
    unsigned char head[512] = {};
    const std::uint64_t sector =
        firstCluster < 0 ? 0 : geometry_.clusterSector(static_cast<std::uint64_t>(firstCluster));
    if (sector == 0 || source_.readSectors(sector, 1, head) != disk::ReadStatus::Complete)
        return volume::JudgeRecoverability(tally, volume::ContentVerdict::Unknown);
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(file.size, sizeof head));
    return volume::JudgeRecoverability(
        tally, volume::CheckContent(file.name, disk::ByteView(head, length)));
}

std::optional<std::int64_t> NtfsEngine::modificationTime(const volume::FolderFile& file) {
    RecordBytes record{};
    if (!readRecord(file, record))
        return std::nullopt;
    const auto fileTime = FindModificationTime(disk::ByteView(record.data(), record.size()));
    return fileTime ? volume::NtfsTimeToUnix(*fileTime) : std::nullopt;
}

std::string NtfsEngine::formatDate(const volume::EntryTimestamp& stamp) const {
    return volume::FormatNtfsDate(static_cast<std::int64_t>(stamp.date));
}

std::string NtfsEngine::formatTime(const volume::EntryTimestamp& stamp) const {
    return volume::FormatNtfsTime(static_cast<std::int64_t>(stamp.date));
}

bool NtfsEngine::calendarDate(const volume::EntryTimestamp& stamp,
                              volume::CalendarDate& date) const {
    using namespace std::chrono;
    // Days from 1601-01-01 to 1970-01-01.
    constexpr std::int64_t kDays1601To1970 = 134'774;
    const auto fileTime = static_cast<std::int64_t>(stamp.date);
    std::int64_t days = fileTime / 864'000'000'000;
    if (fileTime < 0 && fileTime % 864'000'000'000 != 0)
        --days;
    const year_month_day ymd{sys_days{std::chrono::days{days - kDays1601To1970}}};
    date.year = static_cast<std::uint32_t>(static_cast<int>(ymd.year()));
    date.month = static_cast<unsigned>(ymd.month());
    date.day = static_cast<unsigned>(ymd.day());
    return true;
}

} // namespace qr::ntfs
