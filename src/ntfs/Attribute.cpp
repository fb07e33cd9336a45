#include "ntfs/Attribute.h"

#include "ntfs/FileName.h"

namespace qr::ntfs {

namespace {
// The smallest attribute header: type, length, flags and the resident value fields.
constexpr std::uint32_t kHeaderBytes = 0x18;
constexpr std::uint32_t kNonResidentHeaderBytes = 0x40;
} // namespace

bool Attribute::nameIs(std::string_view ascii) const {
    if (nameLength() != ascii.size())
        return false;
    const std::uint32_t at = bytes_.u16(0x0A);
    if (!bytes_.has(at, std::uint64_t{nameLength()} * 2))
        return false;
    for (std::size_t i = 0; i < ascii.size(); ++i)
        if (bytes_.u16(at + 2 * i) != static_cast<unsigned char>(ascii[i]))
            return false;
    return true;
}

std::string Attribute::nameText() const {
    const std::uint32_t at = bytes_.u16(0x0A);
    return Utf16LeToUtf8(bytes_.from(at), nameLength());
}

bool Attribute::valueFits() const {
    return !nonResident() && bytes_.has(bytes_.u16(0x14), valueLength());
}

disk::ByteView Attribute::value() const {
    return valueFits() ? bytes_.sub(bytes_.u16(0x14), valueLength()) : disk::ByteView{};
}

disk::ByteView Attribute::runList() const {
    if (!nonResident() || bytes_.size() < kNonResidentHeaderBytes)
        return {};
    const std::uint32_t at = bytes_.u16(0x20);
    return at < kNonResidentHeaderBytes ? disk::ByteView{} : bytes_.from(at);
}

AttributeWalk::AttributeWalk(disk::ByteView record) : record_(record) {
    offset_ = record.u16(0x14);
    // The header takes at least 0x18 bytes; an offset inside it or at the record's
    // end names no attribute.
    if (offset_ < 0x18 || offset_ + 1 >= record.size())
        ended_ = true;
}

bool AttributeWalk::next(Attribute& attribute) {
    if (ended_)
        return false;
    const std::uint32_t type = record_.u32(offset_);
    const std::uint32_t length = record_.u32(offset_ + 4);
    if (!record_.has(offset_, 8) || type == 0 || type == kEndOfAttributes ||
        length < kHeaderBytes || !record_.has(offset_, length)) {
        ended_ = true;
        return false;
    }
    attribute = Attribute(record_.sub(offset_, length), static_cast<std::uint32_t>(offset_));
    offset_ += length;
    if (offset_ >= record_.size())
        ended_ = true;
    return true;
}

bool FindAttribute(disk::ByteView record, std::uint32_t type, Attribute& found,
                   std::string_view name) {
    AttributeWalk walk(record);
    Attribute attribute;
    while (walk.next(attribute)) {
        if (attribute.type() != type)
            continue;
        if (name.empty() ? attribute.unnamed() : attribute.nameIs(name)) {
            found = attribute;
            return true;
        }
    }
    return false;
}

} // namespace qr::ntfs
