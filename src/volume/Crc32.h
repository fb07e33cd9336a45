#pragma once
// The CRC-32 of the GPT header and entry array (IEEE 802.3, reflected, as zlib has it).
#include "disk/ByteView.h"

#include <cstdint>

namespace qr::volume {

// CRC-32 of `bytes`, continuing from `crc` (0 for a fresh one).
std::uint32_t Crc32(disk::ByteView bytes, std::uint32_t crc = 0);

} // namespace qr::volume
