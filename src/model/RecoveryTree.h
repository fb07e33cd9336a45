#pragma once
// The rebuilt folder tree of the recovered volume: the "Root" item, one folder item
// per FolderNode, and the builders that turn FolderTable into both.
#include "model/FolderNodeList.h"
#include "model/TreeModel.h"

#include <cstdint>
#include <string>

namespace qr::app {
struct RecoveryContext;
}

namespace qr::model {

inline constexpr std::uint32_t kFatRootKey = 0;
inline constexpr std::uint32_t kNtfsRootKey = 5;

// The root item of the folder tree, inserted when missing; its text becomes "Root".
TreeItem EnsureRootItem(TreeModel& tree);
TreeItem EnsureRootItem(app::RecoveryContext& context);

// Inserts a folder item (images 3/3, unchecked) as the last child of `parent` and
// appends its FolderNode.
TreeItem InsertFolderNode(TreeModel& tree, FolderNodeList& nodes, TreeItem parent,
                          const std::string& name, std::uint32_t selfKey, std::uint32_t parentKey,
                          std::uint64_t date, std::uint64_t time, bool deleted);
TreeItem InsertFolderNode(app::RecoveryContext& context, TreeItem parent, const std::string& name,
                          std::uint32_t selfKey, std::uint32_t parentKey, std::uint64_t date,
                          std::uint64_t time, bool deleted);

// Which search the tree is built for. They differ in where the root directory is
// read from and whether folder names are read from disk.
enum class TreeVariant {
    FatStandard, // root directory by the volume's file-system name; names read from disk
    FatAdvance,  // root directory by the ActiveGeometry name; names read from disk
    FatFromLog,  // names come from the log; nothing is read
    Ntfs,        // root children have parent 5; names come with the records
    ExFat,       // root children have parent 0; names come with the entry sets
};

// Builds the folder tree from FolderTable (after the lost-directory search), then
// empties FolderTable.
void BuildFolderTree(app::RecoveryContext& context, TreeVariant variant);

// Inserts under `item` every FOLDER row of FolderTable whose "parent" text is `keyText`.
void InsertChildFolders(app::RecoveryContext& context, const std::string& keyText, TreeItem item);

// Names the subfolders of node `index` from its directory on disk, once.
void NameChildFolders(app::RecoveryContext& context, std::size_t index);

// Texts of the item's ancestors below the root and of the item, joined with "\".
std::string FolderPath(const TreeModel& tree, TreeItem item);

} // namespace qr::model
