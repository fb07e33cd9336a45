#pragma once
// The attributes of a file record: the walk over their headers and the fields of one
// attribute. Every offset and length comes from the medium and is checked against
// the record and the attribute before it is used.
#include "disk/ByteView.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qr::ntfs {

enum AttributeType : std::uint32_t {
    kAttributeList = 0x20,
    kFileName = 0x30,
    kData = 0x80,
    kIndexRoot = 0x90,
    kIndexAllocation = 0xA0,
    kEndOfAttributes = 0xFFFFFFFF,
};

// Attribute header flags.
enum AttributeFlags : std::uint16_t {
    kCompressed = 0x0001,
    kEncrypted = 0x4000,
    kSparse = 0x8000,
};

class Attribute {
public:
    Attribute() = default;
    Attribute(disk::ByteView bytes, std::uint32_t offset) : bytes_(bytes), offset_(offset) {}

    std::uint32_t type() const { return bytes_.u32(0); }
    std::uint32_t offset() const { return offset_; } // within the record
    std::uint32_t length() const { return static_cast<std::uint32_t>(bytes_.size()); }
    bool nonResident() const { return bytes_.u8(8) == 1; }
    std::uint8_t nameLength() const { return bytes_.u8(9); }
    std::uint16_t flags() const { return bytes_.u16(0x0C); }
    bool unnamed() const { return nameLength() == 0; }
    // Exact comparison of the attribute's UTF-16 name with an ASCII name ("$I30").
    bool nameIs(std::string_view ascii) const;
    // The name as UTF-8 (the part of it inside the attribute; empty when unnamed).
    std::string nameText() const;

    // Resident: the value, empty when it does not fit in the attribute.
    std::uint32_t valueLength() const { return bytes_.u32(0x10); }
    disk::ByteView value() const;
    bool valueFits() const;

    // Non-resident fields.
    std::uint64_t lowestVcn() const { return bytes_.u64(0x10); }
    std::uint64_t highestVcn() const { return bytes_.u64(0x18); }
    // log2 of the clusters per compression unit (0: not compressed).
    std::uint16_t compressionUnit() const { return bytes_.u16(0x22); }
    std::uint64_t realSize() const { return bytes_.u64(0x30); }
    std::uint64_t initializedSize() const { return bytes_.u64(0x38); }
    // The run list, from its offset to the end of the attribute (empty when the offset
    // lies outside it).
    disk::ByteView runList() const;

    disk::ByteView bytes() const { return bytes_; }

private:
    disk::ByteView bytes_;
    std::uint32_t offset_ = 0;
};

// Walks the attributes of one file record from its first-attribute offset. The walk
// ends at an end marker, at a length of 0, below a header or past the record, and at
// the end of the record; it never reads outside `record`.
class AttributeWalk {
public:
    explicit AttributeWalk(disk::ByteView record);
    // The next attribute; false when the walk has ended.
    bool next(Attribute& attribute);

private:
    disk::ByteView record_;
    std::uint64_t offset_ = 0;
    bool ended_ = false;
};

// The first attribute of `type` whose name is empty (or whose name is `name`).
bool FindAttribute(disk::ByteView record, std::uint32_t type, Attribute& found,
                   std::string_view name = {});

} // namespace qr::ntfs
