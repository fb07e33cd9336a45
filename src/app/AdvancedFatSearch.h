#pragma once
// The Advanced FAT search as the scan driver runs it: the sweep of the range, the
// file systems inferred from what it found (the file-systems step), and the worker
// that builds the folder tree of the file system the user picks.
#include "model/TreeModel.h"

#include <stop_token>
#include <string_view>

namespace qr::app {

struct RecoveryContext;

// Sweeps the volume range for boot sectors and directory heads (BootSectorTable and
// DirClusterTable, emptied by the caller). False when it was stopped.
bool SweepAdvancedFat(RecoveryContext& context, std::stop_token stop);

// Infers the file systems from the rows the sweep wrote and shows them on the
// file-systems step: one item per file system, the first one picked and its details
// listed; "No file system could be identified" when there is none. `stopped`: the
// sweep was ended by Stop Searching.
void ShowAdvancedFatFileSystems(RecoveryContext& context, bool stopped);
// The file-systems step for the context.fileSystemCount rows of FileSystemTable, after
// any engine's inference.
void ShowFoundFileSystems(RecoveryContext& context, bool stopped);

// One item per FileSystemTable row under the "File Systems" root of the file-systems
// tree; returns the first.
model::TreeItem ListFileSystemItems(RecoveryContext& context);

// Lists the details rows of file system `index` (0-based), which becomes the picked one.
void ShowFileSystemDetails(RecoveryContext& context, int index);
// True when the picked file system is a FAT12 one: named, but not searched.
std::string_view PickedFileSystemNotSearched(const RecoveryContext& context);

// Builds the folder tree of the FAT file system picked on the file-systems step.
void OpenPickedFatFileSystem(RecoveryContext& context, std::stop_token stop);

// Builds the folder tree of the picked file system through its engine (FolderTable
// holds the Lost row).
void FileSystemWorker(RecoveryContext& context, std::stop_token stop);
// Starts FileSystemWorker on context.fileSystemWorker.
void StartFileSystemWorker(RecoveryContext& context);

} // namespace qr::app
