#include "volume/Crc32.h"

#include <array>

namespace qr::volume {
namespace {

constexpr std::array<std::uint32_t, 256> makeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < table.size(); ++i) {
        std::uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kTable = makeTable();

} // namespace

std::uint32_t Crc32(disk::ByteView bytes, std::uint32_t crc) {
    crc = ~crc;
    for (const unsigned char b : bytes.span())
        crc = kTable[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

} // namespace qr::volume
