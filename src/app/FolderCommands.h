#pragma once
// The recovered folders over the recovery context: building the folder tree with the
// volume's engines, listing a folder into the file list, and the browsing events.
#include "model/FileList.h"
#include "model/RecoveryTree.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace qr::app {

struct RecoveryContext;

// The root item of the recovery tree, inserted when missing; its text becomes "Root".
model::TreeItem EnsureRootItem(RecoveryContext& context);

// Inserts a folder item into the recovery tree and appends its folder node.
model::TreeItem InsertFolderNode(RecoveryContext& context, model::TreeItem parent,
                                 const std::string& name, std::uint32_t selfKey,
                                 std::uint32_t parentKey, std::uint64_t date, std::uint64_t time,
                                 bool deleted);

// Builds the recovery tree from the context's FolderTable; folder names are read
// through the search's cache, each directory once.
void BuildFolderTree(RecoveryContext& context, model::TreeVariant variant);
// The same from the rows of `table` (emptied by the build), with its progress told to
// `progress`.
void BuildFolderTree(RecoveryContext& context, model::TreeVariant variant,
                     model::RecordTable& table, volume::SearchProgress& progress);

// Inserts under `item` every FOLDER row of FolderTable whose "parent" text is `keyText`.
void InsertChildFolders(RecoveryContext& context, const std::string& keyText, model::TreeItem item);

// Names the subfolders of node `index` from its directory on disk, once.
void NameChildFolders(RecoveryContext& context, std::size_t index);

// Empties the file list and fills it with the folder shown by `item`.
void ListFolder(RecoveryContext& context, model::TreeItem item, const model::FolderLabels& labels);

// The browsing events (model/FolderTreeEvents.h) over the context's tree and list.
void OnFolderItemClicked(RecoveryContext& context, model::TreeItem item, bool onCheckBox);
void OnFolderItemExpanding(RecoveryContext& context, model::TreeItem item, bool expanding);
void OnFolderEnterKey(RecoveryContext& context);
void OnFolderLeftKey(RecoveryContext& context);
void OnFolderRightKey(RecoveryContext& context);

} // namespace qr::app
