#pragma once
// The attribute list (0x20) of a file record whose attributes do not fit in it: one
// entry per attribute (or per extent of a split attribute) with the record that
// holds it.
#include "disk/ByteView.h"

#include <cstdint>
#include <vector>

namespace qr::ntfs {

struct AttributeListEntry {
    std::uint32_t type = 0;
    std::uint8_t nameLength = 0;
    std::uint64_t lowestVcn = 0;
    std::uint32_t record = 0; // low 32 bits of the holding record's reference
};

// Decodes the entries of a list's bytes in order. Ends at a type of 0 or 0xFFFFFFFF,
// at an entry shorter than its header or running past the list, and after
// `maxEntries` entries.
std::vector<AttributeListEntry> DecodeAttributeList(disk::ByteView list,
                                                    std::size_t maxEntries = 65536);

} // namespace qr::ntfs
