#pragma once
// One file admitted by the counting pass of a save, with the entry its engine listed.
#include "model/TreeModel.h"
#include "volume/VolumeEngine.h"

#include <cstdint>
#include <string>

namespace qr::output {

struct SaveItem {
    // Its folder in the recovery tree (the root item or kNoItem: the root). An item, not
    // a path, so a plan takes memory by its files, whatever the depth of the tree.
    model::TreeItem folder = model::kNoItem;
    std::string name; // the recovered name, as listed
    std::uint64_t size = 0;
    std::uint64_t location = 0; // the engine's own (FAT: first cluster; NTFS: record sector)
    bool deleted = false;
    // The rest of the entry as the engine listed it.
    std::uint32_t selfKey = 0;
    std::uint32_t flags = 0;
    std::uint64_t validLength = 0;
    volume::EntryTimestamp stamp;
    std::string stream; // NTFS: the named data stream the item stands for
    bool uncertain = false;
};

// The plan's item for a listed file of `folder`.
inline SaveItem PlannedFile(model::TreeItem folder, const volume::FolderFile& file, bool deleted) {
    return {folder,     file.name,        file.size,  file.location, deleted,       file.selfKey,
            file.flags, file.validLength, file.stamp, file.stream,   file.uncertain};
}

// The entry an engine extracts a planned file by.
inline volume::FolderFile EntryOf(const SaveItem& item) {
    volume::FolderFile file;
    file.name = item.name;
    file.size = item.size;
    file.deleted = item.deleted;
    file.stamp = item.stamp;
    file.location = item.location;
    file.selfKey = item.selfKey;
    file.flags = item.flags;
    file.validLength = item.validLength != 0 ? item.validLength : item.size;
    file.stream = item.stream;
    file.uncertain = item.uncertain;
    return file;
}

} // namespace qr::output
