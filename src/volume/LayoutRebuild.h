#pragma once
// The outcome of rebuilding a volume's layout when its boot sector failed, for the
// file systems whose engine can do that.
#include <string>

namespace qr::volume {

enum class ReconstructionOutcome {
    Rebuilt,  // the layout in the parameters was reconstructed
    NotFat,   // the volume is not of a file system this rebuild knows
    NotFound, // nothing on the volume gave a layout
    Stopped,  // the stop token ended it
    NoMemory, // the read buffer could not be had
};

struct Reconstruction {
    ReconstructionOutcome outcome = ReconstructionOutcome::NotFound;
    std::string why; // for developers: why it was refused
};

} // namespace qr::volume
