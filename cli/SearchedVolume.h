#pragma once
// The volume options shared by the commands that search a volume first
// (--disk N, --partition K or --fs NAME --start S --end E, --stop-after-sectors N,
// --mode standard|advanced, --file-system N) and the search that leaves the recovery
// tree ready for browsing and saving.
#include "CliSession.h"

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace qr::cli {

// The volume options, --stop-after-sectors, --mode, --file-system, --log and --save-log.
std::vector<OptionSpec> SearchOptions();

// Opens the session, chooses the volume, validates it and runs the Standard search to
// its end (or until the scan passes --stop-after-sectors, then stops it as Stop
// Searching does). With --mode advanced it sweeps the range instead, prints the file
// systems found on `err` and builds the tree of file system --file-system N (1 when
// not given). `fileSystems` are the volume types the command searches. nullptr
// after printing why when the options or the volume are unusable; `exitCode` is then 2
// for bad options, 1 otherwise. `keepSearchCache`: the search's cache of directory
// clusters stays for a listing of every folder.
std::unique_ptr<CliSession> SearchVolume(const CommandLine& line, const std::string& command,
                                         const std::vector<std::string>& fileSystems,
                                         std::ostream& err, int& exitCode,
                                         bool keepSearchCache = false);

} // namespace qr::cli
