#pragma once
// The volume options shared by the commands that search a volume first
// (--disk N, --partition K or --fs NAME --start S --end E) and the Standard search
// that leaves the recovery tree ready for browsing and saving.
#include "CliSession.h"

#include <iosfwd>
#include <memory>

namespace qr::cli {

// Opens the session, chooses the volume, validates it and runs the Standard search
// to its end. nullptr after printing why when the options or the volume are unusable;
// `exitCode` is then 2 for bad options, 1 otherwise.
std::unique_ptr<CliSession> SearchVolume(const CommandLine& line, std::ostream& err, int& exitCode);

} // namespace qr::cli
