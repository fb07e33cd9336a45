#include "ntfs/AttributeLookups.h"

#include "ntfs/Attribute.h"

namespace qr::ntfs {

std::optional<FileNameValue> FindFileName(disk::ByteView record) {
    for (const std::uint8_t space : {kLongName, kLongAndShort, kPosixName, kShortName}) {
        AttributeWalk walk(record);
        Attribute attribute;
        while (walk.next(attribute)) {
            if (attribute.type() != kFileName || !attribute.unnamed() || attribute.nonResident())
                continue;
            const disk::ByteView value = attribute.value();
            if (value.u8(0x41) != space)
                continue;
            if (auto name = DecodeFileName(value))
                return name;
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> FindDataSize(disk::ByteView record) {
    AttributeWalk walk(record);
    Attribute attribute;
    while (walk.next(attribute)) {
        if (attribute.type() != kData || !attribute.unnamed())
            continue;
        if (!attribute.nonResident())
            return attribute.valueLength();
        if (attribute.lowestVcn() == 0)
            return attribute.realSize();
    }
    return std::nullopt;
}

} // namespace qr::ntfs
