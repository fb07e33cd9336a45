#include "model/FileList.h"

#include "model/DateFormats.h"
#include "model/FileTypeTable.h"
#include "model/RecoveryTree.h"

#include <algorithm>

namespace qr::model {

void FileList::setColumns(std::vector<ListColumn> columns) {
    FileListListener* listener;
    {
        std::lock_guard lock(mutex_);
        columns_ = std::move(columns);
        rows_.clear();
        listener = listener_;
    }
    if (listener)
        listener->listReset();
}

std::vector<ListColumn> FileList::columns() const {
    std::lock_guard lock(mutex_);
    return columns_;
}

void FileList::clear() {
    FileListListener* listener;
    {
        std::lock_guard lock(mutex_);
        rows_.clear();
        listener = listener_;
    }
    if (listener)
        listener->listReset();
}

int FileList::append(FileListRow row) {
    int index;
    FileListListener* listener;
    {
        std::lock_guard lock(mutex_);
        index = static_cast<int>(rows_.size());
        rows_.push_back(std::move(row));
        listener = listener_;
    }
    if (listener)
        listener->rowAppended(index);
    return index;
}

int FileList::rowCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(rows_.size());
}

FileListRow FileList::row(int index) const {
    std::lock_guard lock(mutex_);
    return index >= 0 && index < static_cast<int>(rows_.size())
               ? rows_[static_cast<std::size_t>(index)]
               : FileListRow{};
}

std::vector<FileListRow> FileList::rows() const {
    std::lock_guard lock(mutex_);
    return rows_;
}

void FileList::reserve(std::size_t rows) {
    std::lock_guard lock(mutex_);
    rows_.reserve(rows);
}

std::vector<FileListRow> FileList::takeRows() {
    std::vector<FileListRow> taken;
    FileListListener* listener;
    {
        std::lock_guard lock(mutex_);
        taken.swap(rows_);
        listener = listener_;
    }
    if (listener)
        listener->listReset();
    return taken;
}

void FileList::setSelected(int index, bool selected) {
    std::lock_guard lock(mutex_);
    if (index >= 0 && index < static_cast<int>(rows_.size()))
        rows_[static_cast<std::size_t>(index)].selected = selected;
}

void FileList::setListener(FileListListener* listener) {
    std::lock_guard lock(mutex_);
    listener_ = listener;
}

void SetUpFolderColumns(FileList& list) {
    list.setColumns({{"Name", 145, false},
                     {"Type", 100, false},
                     {"Size", 70, true},
                     {"Date", 100, false},
                     {"Time", 70, false},
                     {"Debug Info 1", 0, false},
                     {"Debug Info 2", 0, false},
                     {"Debug Info 3", 0, false}});
}

void ListFolder(FileList& list, FolderNodeList& nodes, TreeItem item, const FolderLabels& labels,
                volume::VolumeEngine* engine) {
    list.clear();
    const std::size_t self = nodes.indexOfItem(item);
    const std::uint32_t rootKey = engine ? engine->rootKey() : kFatRootKey;
    const std::uint32_t key = self != kNoNode ? nodes[self].selfKey : rootKey;
    const bool folderDeleted = self != kNoNode && nodes[self].deleted;

    const std::vector<std::size_t>& subfolders = nodes.withParent(key);
    list.reserve(subfolders.size());
    for (std::size_t index : subfolders) {
        FolderNode& node = nodes[index];
        // Deletion reaches down the tree as folders are opened.
        if (folderDeleted)
            node.deleted = true;
        FileListRow row;
        row.image = kFolderRowImage;
        row.folderItem = node.treeItem;
        row.folderKey = node.selfKey;
        row.cells[file_col::Name] = node.name;
        row.cells[file_col::Type] = node.deleted ? labels.deleted : labels.live;
        row.cells[file_col::Size] = "0";
        if (engine) {
            const volume::EntryTimestamp stamp{node.date, static_cast<std::uint32_t>(node.time)};
            row.cells[file_col::Date] = engine->formatDate(stamp);
            row.cells[file_col::Time] = engine->formatTime(stamp);
        } else {
            row.cells[file_col::Date] = FormatFatDate(static_cast<std::uint16_t>(node.date));
            row.cells[file_col::Time] = FormatFatTime(static_cast<std::uint16_t>(node.time));
        }
        row.cells[file_col::DebugInfo1] = std::to_string(node.selfKey);
        row.cells[file_col::DebugInfo2] = std::to_string(node.parentKey);
        row.cells[file_col::DebugInfo3] = std::to_string(node.treeItem);
        list.append(std::move(row));
    }
    if (engine && (key != kLostFolderKey || engine->listsLostFiles()))
        ListEngineFiles(*engine, list, key, folderDeleted);
}

void ListEngineFiles(volume::VolumeEngine& engine, FileList& list, std::uint32_t key,
                     bool deleted) {
    engine.listFiles(key, deleted, [&](const volume::FolderFile& file) {
        // A named stream ("name:stream") has the type of its file.
        const std::size_t streamPart = file.stream.empty() ? 0 : file.stream.size() + 1;
        const FileType type = ClassifyFile(
            file.name.substr(0, file.name.size() - std::min(streamPart, file.name.size())),
            file.deleted);
        FileListRow row;
        row.image = type.image;
        row.cells[file_col::Name] = file.name;
        row.cells[file_col::Type] = file.uncertain ? type.label + kUncertainLabel : type.label;
        row.cells[file_col::Size] = std::to_string(file.size);
        row.cells[file_col::Date] = engine.formatDate(file.stamp);
        row.cells[file_col::Time] = engine.formatTime(file.stamp);
        row.cells[file_col::DebugInfo1] = std::to_string(file.location);
        if (file.selfKey != 0) {
            row.cells[file_col::DebugInfo2] = std::to_string(file.parentKey);
            row.cells[file_col::DebugInfo3] = std::to_string(file.selfKey);
        }
        row.file = file;
        list.append(std::move(row));
        return true;
    });
}

} // namespace qr::model
