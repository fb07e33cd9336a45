#include "exfat/ExfatEngine.h"

#include "exfat/DeletedStreamClusters.h"
#include "exfat/DirectoryWalk.h"
#include "exfat/EntryLookup.h"
#include "exfat/EntrySet.h"
#include "exfat/ExfatExtract.h"
#include "exfat/StreamClusters.h"
#include "exfat/UnreadableDirectory.h"
#include "model/RecordTable.h"
#include "volume/DateFormats.h"
#include "volume/EntryTimes.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace qr::exfat {

namespace {
// A name of 255 UTF-16 units takes up to 765 bytes of UTF-8.
constexpr std::size_t kNameCellBuffer = 255 * 3 + 1;
constexpr std::size_t kNumberBuffer = 32;
} // namespace

ExfatEngine::ExfatEngine(disk::SectorSource& source, const Geometry& geometry,
                         std::shared_ptr<ExfatVolumeState> state,
                         const model::RecordTable& fileTable)
    : source_(source), geometry_(geometry), fat_(source, geometry), state_(std::move(state)),
      fileTable_(fileTable) {
    if (!state_)
        state_ = std::make_shared<ExfatVolumeState>();
}

std::uint32_t ExfatEngine::rootKey() const {
    return kRootKey;
}

void ExfatEngine::buildIndex() {
    using namespace model::folder_col;
    state_->rowsByFolder.clear();
    state_->rowsByCluster.clear();
    state_->rereadLengths.clear();
    for (int row = 0; row < fileTable_.rowCount(); ++row) {
        state_->rowsByFolder[fileTable_.number(row, Parent)].push_back(row);
        state_->rowsByCluster[fileTable_.number(row, Sector)].push_back(row);
    }
    state_->indexed = true;
    state_->indexedRows = fileTable_.rowCount();
}

void ExfatEngine::listFiles(std::uint32_t key, bool folderDeleted,
                            const std::function<bool(const volume::FolderFile&)>& visit) {
    directoryUnreadable_ = DirectoryUnreadable(source_, geometry_, fat_,
                                               key == kRootKey ? geometry_.rootCluster : key);
    for (const int row : rowsOf(&ExfatVolumeState::rowsByFolder, key)) {
        const volume::FolderFile file = fileOfRow(row, key, folderDeleted);
        if (!visit(file))
            return;
    }
}

std::vector<int> ExfatEngine::rowsOf(RowIndex ExfatVolumeState::*index, std::uint32_t key) {
    std::lock_guard lock(state_->mutex);
    if (!state_->indexed || state_->indexedRows != fileTable_.rowCount())
        buildIndex();
    const RowIndex& rows = (*state_).*index;
    const auto found = rows.find(key);
    return found == rows.end() ? std::vector<int>{} : found->second;
}

volume::FolderFile ExfatEngine::fileOfRow(int row, std::uint32_t key, bool folderDeleted) {
    using namespace model::folder_col;
    volume::FolderFile file;
    file.name = fileTable_.cell(row, Name, kNameCellBuffer);
    file.size = static_cast<std::uint64_t>(fileTable_.number64(row, Size, kNumberBuffer));
    // Rows read back from a log carry no valid length: the whole file is taken.
    const std::optional<std::uint64_t> validLength = fileTable_.rowValue(row);
    const bool fromLog = !validLength;
    file.validLength = validLength.value_or(file.size);
    file.location = fileTable_.number(row, Sector);
    if (fromLog && file.size == kClippedSize)
        rereadLengths(row, file);
    file.deleted = folderDeleted || fileTable_.flag(row, Deleted);
    file.stamp.date = fileTable_.number(row, Date);
    file.parentKey = key;
    file.flags = kListedFlag;
    const std::uint32_t rowFlags = fileTable_.number(row, Self);
    if ((rowFlags & kNoFatChain) != 0)
        file.flags |= kNoFatChainFlag;
    if ((rowFlags & kUncertainSet) != 0) {
        file.flags |= kUncertainFlag;
        file.uncertain = true;
    }
    return file;
}

void ExfatEngine::rereadLengths(int row, volume::FolderFile& file) {
    std::pair<std::uint64_t, std::uint64_t> lengths{file.size, file.validLength};
    bool known = false;
    {
        std::lock_guard lock(state_->mutex);
        if (const auto found = state_->rereadLengths.find(row);
            found != state_->rereadLengths.end()) {
            lengths = found->second;
            known = true;
        }
    }
    if (!known) {
        // Read unlocked, so one thread's listing does not wait for another's reads; two
        // threads that read the same set keep the lengths found first.
        const auto set = FindFileEntrySet(source_, geometry_, fat_,
                                          fileTable_.number(row, model::folder_col::Parent),
                                          static_cast<std::uint32_t>(file.location), file.name);
        // Only a set at least as large as the clipped size is the file the log meant.
        if (set && set->dataLength >= kClippedSize)
            lengths = {set->dataLength, std::min(set->validLength, set->dataLength)};
        std::lock_guard lock(state_->mutex);
        lengths = state_->rereadLengths.emplace(row, lengths).first->second;
    }
    file.size = lengths.first;
    file.validLength = lengths.second;
}

volume::FolderFile ExfatEngine::completed(const volume::FolderFile& file) {
    // The row of the same name and size, of the same state when there are several.
    std::optional<volume::FolderFile> chosen;
    for (const int row :
         rowsOf(&ExfatVolumeState::rowsByCluster, static_cast<std::uint32_t>(file.location))) {
        volume::FolderFile candidate = fileOfRow(row, 0, false);
        if (candidate.name != file.name || candidate.size != file.size)
            continue;
        if (!chosen || (candidate.deleted == file.deleted && chosen->deleted != file.deleted))
            chosen = std::move(candidate);
    }
    if (!chosen)
        return file;
    chosen->deleted = file.deleted;
    return *chosen;
}

FileRef ExfatEngine::refOf(const volume::FolderFile& file, bool deleted) {
    FileRef ref;
    ref.firstCluster = static_cast<std::uint32_t>(file.location);
    ref.dataLength = file.size;
    ref.validLength = file.validLength;
    ref.noFatChain = (file.flags & kNoFatChainFlag) != 0;
    ref.deleted = deleted;
    return ref;
}

volume::ExtractReport ExfatEngine::extract(const volume::FolderFile& file, volume::FileSink& sink,
                                           const volume::ExtractOptions& /*options*/) {
    const volume::FolderFile whole = (file.flags & kListedFlag) != 0 ? file : completed(file);
    const FileRef ref = refOf(whole, whole.deleted);
    const StreamPlace place =
        PlaceDeletedStream(source_, fat_, geometry_, bitmap(), whole.name, ref);
    volume::ExtractReport report = WriteExfatStream(source_, geometry_, place, ref, sink);
    report.uncertain = report.uncertain || (whole.flags & kUncertainFlag) != 0;
    return report;
}

const AllocationBitmap& ExfatEngine::bitmap() {
    // Read once under the lock, never changed after: read unlocked.
    std::lock_guard lock(state_->mutex);
    if (!state_->bitmap)
        state_->bitmap = AllocationBitmap::Load(source_, geometry_, fat_);
    return *state_->bitmap;
}

volume::Recoverability ExfatEngine::recoverability(const volume::FolderFile& file) {
    const volume::FolderFile whole = (file.flags & kListedFlag) != 0 ? file : completed(file);
    if (whole.size == 0)
        return volume::Recoverability::Intact;
    const AllocationBitmap& taken = bitmap();
    const StreamPlace place =
        PlaceDeletedStream(source_, fat_, geometry_, taken, whole.name, refOf(whole, true));
    if (place.noData || taken.empty() || place.runs.empty())
        return volume::Recoverability::Unknown;
    volume::ClusterTally tally;
    for (const ClusterRun& run : place.runs)
        for (std::uint32_t i = 0; i < run.count; ++i) {
            tally.total += 1;
            tally.taken += taken.taken(run.first + i) ? 1 : 0;
        }
    const std::uint64_t needed = NeededClusters(whole.size, geometry_.clusterBytes());
    tally.missing = needed > tally.total ? needed - tally.total : 0;
    unsigned char head[512] = {};
    source_.readSectors(geometry_.clusterSector(place.runs.front().first), 1, head);
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(whole.size, sizeof head));
    return volume::JudgeRecoverability(
        tally, volume::CheckContent(whole.name, disk::ByteView(head, length)));
}

std::string ExfatEngine::formatDate(const volume::EntryTimestamp& stamp) const {
    return volume::FormatFatDate(static_cast<std::uint16_t>(stamp.date >> 16));
}

std::string ExfatEngine::formatTime(const volume::EntryTimestamp& stamp) const {
    return volume::FormatFatTime(static_cast<std::uint16_t>(stamp.date & 0xFFFF));
}

bool ExfatEngine::calendarDate(const volume::EntryTimestamp& stamp,
                               volume::CalendarDate& date) const {
    const auto day = static_cast<std::uint32_t>((stamp.date >> 16) & 0xFFFF);
    if (day == 0)
        return false;
    date.year = 1980 + (day >> 9);
    date.month = (day >> 5) & 0x0F;
    date.day = day & 0x1F;
    return true;
}

std::optional<std::int64_t> ExfatEngine::modificationTime(const volume::FolderFile& file) {
    return volume::FatLocalTime(static_cast<std::uint16_t>(file.stamp.date >> 16),
                                static_cast<std::uint16_t>(file.stamp.date & 0xFFFF));
}

} // namespace qr::exfat
