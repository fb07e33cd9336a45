#include "output/KeptDates.h"

#include "model/FolderNodeList.h"
#include "model/RecordTable.h"
#include "output/SaveItem.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace qr::output {

bool SetModificationTime(const std::string& path, std::int64_t unixSeconds) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT; // the access time stays
    times[1].tv_sec = static_cast<time_t>(unixSeconds);
    times[1].tv_nsec = 0;
    return ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

namespace {
const model::FolderNode* nodeOf(const model::FolderNodeList* nodes, model::TreeItem item) {
    if (!nodes)
        return nullptr;
    const std::size_t index = nodes->indexOfItem(item);
    return index == model::kNoNode ? nullptr : &(*nodes)[index];
}
} // namespace

KeptDates::KeptDates(volume::VolumeEngine* engine, const model::FolderNodeList* nodes,
                     const model::TreeModel& tree)
    : engine_(engine), nodes_(nodes), tree_(tree) {}

const volume::FolderFile* KeptDates::entryOf(const SaveItem& item) {
    if (!listed_ || listedFolder_ != item.folder) {
        listed_ = true;
        listedFolder_ = item.folder;
        listing_.clear();
        const model::FolderNode* node = nodeOf(nodes_, item.folder);
        const std::uint32_t key = node ? node->selfKey : engine_->rootKey();
        if (key != model::kLostFolderKey)
            engine_->listFiles(key, false, [&](const volume::FolderFile& file) {
                listing_.push_back(file);
                return true;
            });
    }
    for (const volume::FolderFile& file : listing_)
        if (file.name == item.name && file.size == item.size &&
            static_cast<std::uint32_t>(file.location) == item.location)
            return &file;
    return nullptr;
}

void KeptDates::fileWritten(const SaveItem& item, const std::string& path) {
    if (!engine_)
        return;
    const volume::FolderFile* entry = entryOf(item);
    if (!entry)
        return;
    if (const auto time = engine_->modificationTime(*entry))
        SetModificationTime(path, *time);
}

void KeptDates::folderUsed(model::TreeItem item, const std::string& path, const std::string& top) {
    std::string at = path;
    // A tree path deeper than the destination has one folder per level up to it.
    while (item != model::kNoItem && at.size() > top.size() && !folders_.count(at)) {
        folders_.emplace(at, item);
        item = tree_.parent(item);
        const auto slash = at.rfind('/');
        if (slash == std::string::npos)
            break;
        at.resize(slash);
    }
}

void KeptDates::finish() {
    if (!engine_ || !nodes_)
        return;
    // Paths sort below their folders: backwards, every folder comes before its parent.
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) {
        const model::FolderNode* node = nodeOf(nodes_, it->second);
        if (!node || node->selfKey == model::kLostFolderKey)
            continue;
        volume::FolderFile folder;
        folder.name = node->name;
        folder.stamp = {node->date, static_cast<std::uint32_t>(node->time)};
        folder.selfKey = node->selfKey;
        folder.flags = volume::VolumeEngine::kFolderFlag;
        if (const auto time = engine_->modificationTime(folder))
            SetModificationTime(it->first, *time);
    }
    folders_.clear();
}

} // namespace qr::output
