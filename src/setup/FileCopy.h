#pragma once
// The installer's file operations. A copy is written beside its target and renamed
// over it, so a failed copy (full file system, unreadable source) leaves the old
// target as it was, and a target in use (a running program) is replaced cleanly.
#include <string>
#include <sys/types.h>

namespace qr::setup {

// Copies `source` over `target`. An existing target keeps its permission bits (a
// read-only target stays read-only); a new one gets the source's. False on failure.
bool CopyOver(const std::string& source, const std::string& target);

// True when both files exist, are regular, and hold the same bytes.
bool SameContents(const std::string& a, const std::string& b);

// Writes `text` to `path` through a temporary file and a rename, with `mode`.
bool WriteFileReplacing(const std::string& path, const std::string& text, mode_t mode);

} // namespace qr::setup
