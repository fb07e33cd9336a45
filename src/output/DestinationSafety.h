#pragma once
// Keeps a save off the medium under recovery. A block device is guarded with every
// partition of its disk and every device stacked on them; an image file is guarded
// with the loop devices backed by it. A destination whose file system is mounted from
// one of those devices is refused, and so is writing onto the source itself.
#include <string>

namespace qr::output {

struct SystemRoots {
    std::string proc = "/proc"; // for self/mountinfo
    std::string sys = "/sys";   // for dev/block and block
};

// The message refusing `destination` (a folder, which may not exist yet), or the empty
// text when it may be used. `sourceDevice` is the device or image under recovery.
std::string DestinationRefusal(const std::string& sourceDevice, const std::string& destination,
                               const SystemRoots& roots = {});

// The message refusing to write `outputPath`, or the empty text: an existing output
// must be a regular file (not a link) and must not be the source itself.
std::string OutputFileRefusal(const std::string& sourceDevice, const std::string& outputPath);

} // namespace qr::output
