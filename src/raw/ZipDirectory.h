#pragma once
// The central directory of a Zip archive that starts at offset 0 and is `bytes` long:
// the end record whose comment runs to the archive's last byte, then the entries it
// counts, each with its name, compression and where its local header stands. An
// archive that needs Zip64 or whose directory lies outside it gives no entries.
#include "raw/MediaLength.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qr::raw {

struct ZipEntry {
    std::string name;
    std::uint16_t method = 0; // 0 stored, 8 deflated
    std::uint64_t compressedBytes = 0;
    std::uint64_t bytes = 0;
    std::uint64_t localHeader = 0; // offset of its local header
};

std::vector<ZipEntry> ZipCentralEntries(const FileBytesReader& read, std::uint64_t bytes);

} // namespace qr::raw
