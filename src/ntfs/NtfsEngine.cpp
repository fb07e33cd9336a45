#include "ntfs/NtfsEngine.h"

#include "model/RecordTable.h"
#include "ntfs/MftWalk.h"
#include "ntfs/NtfsExtract.h"
#include "ntfs/NtfsTime.h"

#include <utility>

namespace qr::ntfs {

NtfsEngine::NtfsEngine(disk::SectorSource& source, const NtfsGeometry& geometry, MftRunList mftRuns,
                       const model::RecordTable& fileTable)
    : source_(source), geometry_(geometry), mftRuns_(std::move(mftRuns)), fileTable_(fileTable) {}

namespace {
// A name of 255 UTF-16 units takes up to 765 bytes of UTF-8.
constexpr std::size_t kNameCellBuffer = 255 * 3 + 1;
} // namespace

std::uint32_t NtfsEngine::rootKey() const {
    return kRootRecord;
}

void NtfsEngine::buildIndex() {
    using namespace model::folder_col;
    rowsByParent_.clear();
    for (int row = 0; row < fileTable_.rowCount(); ++row)
        if (fileTable_.number(row, Self) >= kFirstUserRecord)
            rowsByParent_[fileTable_.number(row, Parent)].push_back(row);
    indexed_ = true;
}

void NtfsEngine::listFiles(std::uint32_t key, bool /*folderDeleted*/,
                           const std::function<bool(const volume::FolderFile&)>& visit) {
    using namespace model::folder_col;
    if (!indexed_)
        buildIndex();
    const auto found = rowsByParent_.find(key);
    if (found == rowsByParent_.end())
        return;
    for (const int row : found->second) {
        volume::FolderFile file;
        file.name = fileTable_.cell(row, Name, kNameCellBuffer);
        file.size = fileTable_.number(row, Size);
        file.deleted = fileTable_.flag(row, Deleted);
        file.stamp.date = static_cast<std::uint64_t>(fileTable_.number64(row, Date));
        file.location = fileTable_.number(row, Sector);
        file.selfKey = fileTable_.number(row, Self);
        file.parentKey = key;
        file.validLength = file.size;
        if (!visit(file))
            return;
    }
}

volume::ExtractReport NtfsEngine::extract(const volume::FolderFile& file, volume::FileSink& sink,
                                          const volume::ExtractOptions& /*options*/) {
    // An engine made without the MFT's runs (a recovery loaded from a log) builds them
    // once, so extension records can be found.
    if (mftRuns_.count() == 0 && !runsBuilt_) {
        runsBuilt_ = true;
        mftRuns_ = BuildMftRunList(source_, geometry_);
    }
    return ExtractNtfsFile(source_, geometry_, mftRuns_, {file.selfKey, file.location, file.size},
                           sink);
}

std::string NtfsEngine::formatDate(const volume::EntryTimestamp& stamp) const {
    return FormatNtfsDate(static_cast<std::int64_t>(stamp.date));
}

std::string NtfsEngine::formatTime(const volume::EntryTimestamp& stamp) const {
    return FormatNtfsTime(static_cast<std::int64_t>(stamp.date));
}

} // namespace qr::ntfs
