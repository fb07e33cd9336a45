#pragma once
// The file of a browse-step list row, handed back to the volume's engine: its name,
// size and the engine's own location keys the row carries.
#include "model/FileList.h"
#include "volume/VolumeEngine.h"

namespace qr::app {

volume::FolderFile ListRowFile(const model::FileListRow& row);

} // namespace qr::app
