#include "ntfs/ExtensionRecords.h"

#include "ntfs/Attribute.h"
#include "ntfs/ClusterRead.h"

namespace qr::ntfs {

std::optional<std::vector<AttributeListEntry>>
LoadAttributeList(disk::SectorSource& source, const NtfsGeometry& geometry, disk::ByteView record) {
    Attribute list;
    if (!FindAttribute(record, kAttributeList, list))
        return std::nullopt;
    if (!list.nonResident())
        return DecodeAttributeList(list.value());
    const std::vector<unsigned char> bytes =
        ReadNonResidentValue(source, geometry, list, kMaxAttributeListBytes);
    return DecodeAttributeList(disk::ByteView(bytes.data(), bytes.size()));
}

} // namespace qr::ntfs
