#include "ntfs/NtfsEngine.h"

#include "model/RecordTable.h"
#include "ntfs/MftWalk.h"
#include "ntfs/NtfsExtract.h"
#include "volume/DateFormats.h"

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
