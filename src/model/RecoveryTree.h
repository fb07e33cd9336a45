#pragma once
// The rebuilt folder tree of the recovered volume: the "Root" item, one folder item
// per FolderNode, and the builders that turn FolderTable into both.
#include "model/FolderNodeList.h"
#include "model/RecordTable.h"
#include "model/TreeModel.h"

#include <cstdint>
#include <string>

namespace qr::volume {
class VolumeEngine;
class SearchProgress;
} // namespace qr::volume

namespace qr::model {

inline constexpr std::uint32_t kFatRootKey = 0;
inline constexpr std::uint32_t kNtfsRootKey = 5;

// The root item of the folder tree, inserted when missing; its text becomes "Root".
TreeItem EnsureRootItem(TreeModel& tree);

// Inserts a folder item (images 3/3, unchecked) as the last child of `parent` and
// appends its FolderNode.
TreeItem InsertFolderNode(TreeModel& tree, FolderNodeList& nodes, TreeItem parent,
                          const std::string& name, std::uint32_t selfKey, std::uint32_t parentKey,
                          std::uint64_t date, std::uint64_t time, bool deleted);

// Which search the tree is built for. They differ in where the root directory is
// read from and whether folder names are read from disk.
enum class TreeVariant {
    FatStandard, // root directory by the volume's file-system name; names read from disk
    FatAdvance,  // root directory by the ActiveGeometry name; names read from disk
    FatFromLog,  // names come from the log; nothing is read
    Ntfs,        // root children have parent 5; names come with the records
    ExFat,       // root children have parent 0; names come with the entry sets
};

// What a tree build reads and fills: the scan's FolderTable, the folder tree and its
// folder nodes.
struct FolderTreeParts {
    RecordTable& folderTable;
    TreeModel& tree;
    FolderNodeList& nodes;
};

// The engines a build names folders with: `engine` for every folder's directory,
// `rootEngine` for the root directory (FAT variants; null: names are not read).
struct FolderNaming {
    volume::VolumeEngine* engine = nullptr;
    volume::VolumeEngine* rootEngine = nullptr;
};

// Builds the folder tree from FolderTable (after the lost-directory search), then
// empties FolderTable.
void BuildFolderTree(FolderTreeParts& parts, TreeVariant variant, const FolderNaming& naming,
                     volume::SearchProgress& progress);

// Inserts under `item` every FOLDER row of FolderTable whose "parent" text is `keyText`.
void InsertChildFolders(FolderTreeParts& parts, const std::string& keyText, TreeItem item);

// Names the subfolders of node `index` from its directory on disk (through `engine`;
// null: they keep their scan names), once.
void NameChildFolders(TreeModel& tree, FolderNodeList& nodes, volume::VolumeEngine* engine,
                      std::size_t index);

// Texts of the item's ancestors below the root and of the item, joined with "\".
std::string FolderPath(const TreeModel& tree, TreeItem item);

} // namespace qr::model
