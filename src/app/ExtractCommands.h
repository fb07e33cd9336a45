#pragma once
// Extracting one file of the volume under recovery to an output file, or opening a
// row of the file list, over the recovery context: its save state, its medium and the
// engine of its file system.
#include "output/OpenListEntry.h"
#include "output/SaveGate.h"

#include <cstdint>
#include <string>

namespace qr::app {

struct RecoveryContext;

// The device name of the medium under recovery (empty without one).
std::string SourceDeviceName(const RecoveryContext& context);

// output::ExtractToFile through the engine of the volume's file system; Failed when it
// has none.
output::ExtractResult ExtractToFile(RecoveryContext& context, const std::string& outputPath,
                                    const std::string& name, std::uint64_t size,
                                    std::uint64_t location, bool saveMode, bool deleted);

// Enter on row `row` of the file list (output::OpenListEntry) over the context: acts
// on the browse step only; a folder row opens as Enter on the folder tree would.
output::OpenedAs OpenListEntry(RecoveryContext& context, int row,
                               const output::ShellServices& shell);

} // namespace qr::app
