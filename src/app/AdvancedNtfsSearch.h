#pragma once
// The Advanced NTFS search as the scan driver runs it: the sweep of the range for
// FILE and INDX records and NTFS boot sectors, the assignment worker that numbers the
// records and finds the volumes (the file-systems step), and the opening of the volume
// the user picks.
#include <stop_token>

namespace qr::app {

struct RecoveryContext;

// Sweeps the volume range (BootSectorTable, MftRecordTable and IndexRecordTable,
// emptied by the caller). False when it was stopped.
bool SweepAdvancedNtfs(RecoveryContext& context, std::stop_token stop);

// Starts the assignment worker on context.assignmentWorker, on the rows swept so far.
void StartNtfsAssignment(RecoveryContext& context);
// Its body: numbers, directory list and volumes, then the file-systems step shows them
// ("No file sytem could be identified" when there is none).
void NtfsAssignmentWorker(RecoveryContext& context, std::stop_token stop);

// The NTFS part of the file-system worker: the picked volume's directories become
// FolderTable rows, its files FileTable rows, its place and cluster size the engine's
// geometry, and the folder tree is built.
void OpenPickedNtfsFileSystem(RecoveryContext& context);

// After a recovery log of an Advanced NTFS search was loaded: the engine's geometry is
// the picked volume's again, as its working copy of the layout kept it (start, last
// sector, cluster size and MFT start), not the searched range.
void RestorePickedNtfsVolume(RecoveryContext& context);

} // namespace qr::app
