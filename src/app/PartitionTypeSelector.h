#pragma once
// The partition step's type selector: each file system at the entry its registry row
// names, and entry 3 for no type chosen. The wizard and the search window set and read
// it through these.
#include "volume/FileSystemKind.h"

#include <optional>
#include <string>
#include <vector>

namespace qr::app {

inline constexpr int kNoTypeEntry = 3;

// The entry that names `kind`; kNoTypeEntry for a kind the selector lacks.
int PartitionTypeEntry(volume::FileSystemKind kind);
// The kind an entry names; nullopt for the blank entry and anything out of range.
std::optional<volume::FileSystemKind> PartitionTypeOfEntry(int entry);
// The selector's texts in entry order, for the window to fill it with.
std::vector<std::string> PartitionTypeTexts();

} // namespace qr::app
