#pragma once
// The right-panel file list of the browse step: a folder's subfolders, then its
// files, eight columns of text (three of them hidden) and an image per row. The GUI
// shows it through a listener; saving reads its selected rows.
#include "model/TreeModel.h"
#include "volume/VolumeEngine.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace qr::model {

namespace file_col {
enum : int { Name, Type, Size, Date, Time, DebugInfo1, DebugInfo2, DebugInfo3, Count };
}

struct ListColumn {
    std::string header;
    int width = 0;
    bool rightAligned = false;
};

// One row: the texts it shows (the three debug cells rendered from the typed fields
// when it is listed, never read back) and what it stands for.
struct FileListRow {
    std::array<std::string, file_col::Count> cells;
    int image = 0;
    bool selected = false;
    // A file row: the file as its engine listed it.
    volume::FolderFile file;
    // A folder row: its item in the recovery tree and its key.
    TreeItem folderItem = kNoItem;
    std::uint32_t folderKey = 0;
};

// Images of the list's small-image list used for rows.
inline constexpr int kFolderRowImage = 1;

class FileListListener {
public:
    virtual ~FileListListener() = default;
    virtual void listReset() = 0; // columns or rows replaced
    virtual void rowAppended(int row) = 0;
};

class FileList {
public:
    void setColumns(std::vector<ListColumn> columns);
    std::vector<ListColumn> columns() const;
    void clear();
    int append(FileListRow row);
    int rowCount() const;
    FileListRow row(int index) const; // an empty row for a bad index
    std::vector<FileListRow> rows() const;
    // Room for `rows` rows in all (a folder's subfolder rows are counted before they come).
    void reserve(std::size_t rows);
    // Hands the rows over and leaves the list empty (a listing that only prints them).
    std::vector<FileListRow> takeRows();
    void setSelected(int index, bool selected);
    void setListener(FileListListener* listener);

private:
    mutable std::mutex mutex_;
    std::vector<ListColumn> columns_;
    std::vector<FileListRow> rows_;
    FileListListener* listener_ = nullptr;
};

// Label pair of folder rows: mouse and expansion listings use "FOLDER", Enter "Folder".
struct FolderLabels {
    const char* live;
    const char* deleted;
};
inline constexpr FolderLabels kMouseFolderLabels{"FOLDER", "Deleted FOLDER"};
inline constexpr FolderLabels kKeyFolderLabels{"Folder", "Deleted Folder"};

// Replaces the list's columns with the eight of the folder view and empties it.
void SetUpFolderColumns(FileList& list);

class FolderNodeList;

// Empties `list` and fills it with the folder shown by `item`: its subfolders from
// `nodes`, then the files `engine` lists for it (null: none). The engine says how
// dates read and which key the root item stands for.
void ListFolder(FileList& list, FolderNodeList& nodes, TreeItem item, const FolderLabels& labels,
                volume::VolumeEngine* engine);

// Added to the type of a file whose entries failed a check (FolderFile::uncertain).
inline constexpr const char* kUncertainLabel = " (uncertain)";

// Appends the files of folder `key` as the volume's engine lists them (FAT: read from
// its directory on disk; NTFS and exFAT: rows of the search); `deleted`: the folder
// itself is deleted.
void ListEngineFiles(volume::VolumeEngine& engine, FileList& list, std::uint32_t key, bool deleted);

} // namespace qr::model
