#pragma once
// The Advanced exFAT search as the scan driver runs it: the sweep of the range for
// boot regions, allocation tables and directory sectors, the file systems inferred
// from what it found (the file-systems step), and the tree of the one the user picks.
#include "exfat/InferExfatFileSystems.h"
#include "exfat/StructureSweep.h"

#include <stop_token>
#include <vector>

namespace qr::app {

struct RecoveryContext;

// Kept from the sweep to the pick, so going back and picking another file system
// reads no more of the medium than its folders.
struct AdvancedExfatState {
    exfat::ExfatFindings findings;
    std::vector<exfat::ExfatFileSystem> fileSystems; // FileSystemTable's rows, in order
};

// Sweeps the volume range. False when it was stopped.
bool SweepAdvancedExfat(RecoveryContext& context, std::stop_token stop);

// Infers the file systems from what the sweep found (a stopped sweep: from what it
// found so far), locates the allocation tables that survive, and shows them on the
// file-systems step ("File System N - exFAT").
void ShowAdvancedExfatFileSystems(RecoveryContext& context, bool stopped);

// The file-system worker's exFAT part: the picked file system's rows, its geometry as
// the engine's, and the folder tree.
void OpenPickedExfatFileSystem(RecoveryContext& context, std::stop_token stop);

} // namespace qr::app
