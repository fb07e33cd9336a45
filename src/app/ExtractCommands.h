#pragma once
// Extracting one file of the volume under recovery to an output file, over the
// recovery context: its save state, its medium and the engine of its file system.
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

} // namespace qr::app
