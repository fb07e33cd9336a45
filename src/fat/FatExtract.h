#pragma once
// Writes the content of one FAT file, live or deleted, to an output file. Open mode
// (saveMode false) extracts for opening, without filters or dialogs; save mode is the
// writing pass of a save, with the filters, the replace question and "Saving".
#include "output/SaveGate.h"

#include <cstdint>
#include <string>

namespace qr::app {
struct RecoveryContext;
}

namespace qr::fat {

// At most `size` bytes are written. The skip and stop flags are polled before every
// read; a file cut short keeps what was written.
output::ExtractResult ExtractFatFile(app::RecoveryContext& context, const std::string& outputPath,
                                     const std::string& name, std::uint32_t size,
                                     std::uint32_t firstCluster, bool saveMode, bool deleted);

} // namespace qr::fat
