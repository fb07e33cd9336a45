#pragma once
// The logical sector size of a medium: what its device says, else what its own
// structures say — a GPT header found one sector in, an MBR entry whose target boot
// sector lies there only when the entry counts in larger sectors and names that size,
// or a volume boot sector at sector 0. 512 when nothing says otherwise.
#include <cstdint>

namespace qr::disk {
class SectorSource;
}

namespace qr::volume {

// The sector sizes the program reads media of.
inline constexpr std::uint32_t kMediumSectorSizes[] = {512, 1024, 2048, 4096};

std::uint32_t MediumSectorBytes(disk::SectorSource& source);

} // namespace qr::volume
