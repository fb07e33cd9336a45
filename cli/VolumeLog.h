#pragma once
// Recovery logs on the command line: --save-log FILE writes the log of the search (or
// of the log loaded) once the tree is built; --log FILE loads a log instead of
// searching, on the disk given by --disk, so that list and save run as after a search.
#include "CliSession.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace qr::cli {

// The model of disk `disk` as the disk listing recorded it; the log carries it and a
// load compares it.
void TakeDiskModel(app::RecoveryContext& ctx, std::uint16_t disk);

// Loads the log named by --log into the session's context for disk --disk. False
// after printing why (the window's own texts: "Unable to open file", "You Have
// Selected Wrong Disk", "Error in file").
bool LoadVolumeLog(app::RecoveryContext& ctx, const std::string& path, std::uint16_t disk,
                   const std::vector<std::string>& fileSystems, const std::string& command,
                   std::ostream& err);

// Writes the log to --save-log's file when given. False after printing why.
bool SaveVolumeLog(const CommandLine& line, const app::RecoveryContext& ctx, std::ostream& err);

} // namespace qr::cli
