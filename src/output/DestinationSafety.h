#pragma once
// Keeps a save off the medium under recovery. A block device is guarded with every
// partition of its disk and every device stacked on them; an image file, or the image
// behind a loop device named as the source, is guarded with every loop device backed by
// it. A destination whose file system rests on one of those devices (directly, through
// the devices it is built on, or through a loop device's backing file) is refused, and
// so is writing onto the source itself.
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
