#pragma once
// Writes one file of the volume to an output file through the volume's engine. Open
// mode (saveMode false) extracts for opening, without filters or dialogs; save mode is
// the writing pass of a save, with the filters, the replace question and "Saving".
#include "output/SaveGate.h"
#include "volume/VolumeEngine.h"

#include <cstdint>
#include <string>

namespace qr::output {

// At most `file.size` bytes are written. The skip and stop flags are polled before every
// read; a file stopped by them keeps what was written. `file` is the entry as the
// engine listed it.
// `save`: the save's settings, flags, counters and ports; `sourceDevice`: the device
// name of the medium under recovery, which an output may never be.
ExtractResult ExtractToFile(SaveState& save, const std::string& sourceDevice,
                            volume::VolumeEngine& engine, const std::string& outputPath,
                            const volume::FolderFile& file, bool saveMode);

// The cluster source of a save's "Saving Mode".
volume::ClusterSource ClusterSourceOf(std::uint32_t savingMode);

} // namespace qr::output
