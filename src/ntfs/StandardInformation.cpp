#include "ntfs/StandardInformation.h"

#include "ntfs/Attribute.h"

namespace qr::ntfs {

std::optional<std::int64_t> FindModificationTime(disk::ByteView record) {
    Attribute found;
    if (!FindAttribute(record, kStandardInformation, found) || found.nonResident() ||
        !found.valueFits())
        return std::nullopt;
    const disk::ByteView value = found.value();
    if (value.size() < 16)
        return std::nullopt;
    return static_cast<std::int64_t>(value.u64(8));
}

} // namespace qr::ntfs
