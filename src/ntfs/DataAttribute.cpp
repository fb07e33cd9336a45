#include "ntfs/DataAttribute.h"

#include "ntfs/Attribute.h"
#include "ntfs/ExtensionRecords.h"

#include <algorithm>
#include <set>
#include <utility>

namespace qr::ntfs {

namespace {

// The data attribute named `stream` (empty: unnamed) of `record` whose lowest VCN is
// `vcn`.
bool findExtent(disk::ByteView record, std::uint64_t vcn, Attribute& found,
                const std::string& stream) {
    AttributeWalk walk(record);
    Attribute attribute;
    while (walk.next(attribute)) {
        if (attribute.type() != kData ||
            (stream.empty() ? !attribute.unnamed() : attribute.nameText() != stream))
            continue;
        if (!attribute.nonResident() ? vcn == 0 : attribute.lowestVcn() == vcn) {
            found = attribute;
            return true;
        }
    }
    return false;
}

void takeFirstExtent(DataAttribute& data, const Attribute& attribute) {
    data.found = true;
    data.flags = attribute.flags();
    if (!attribute.nonResident()) {
        data.resident = true;
        const disk::ByteView value = attribute.value();
        data.value.assign(value.data(), value.data() + value.size());
        data.realSize = data.initializedSize = attribute.valueLength();
        return;
    }
    data.realSize = attribute.realSize();
    data.initializedSize = attribute.initializedSize();
    data.compressionUnit = attribute.compressionUnit();
}

void addRuns(DataAttribute& data, const Attribute& attribute) {
    const RunListDecode decoded = DecodeRunList(attribute.runList(), attribute.lowestVcn());
    data.runs.insert(data.runs.end(), decoded.runs.begin(), decoded.runs.end());
}

} // namespace

DataAttribute GatherDataAttribute(disk::SectorSource& source, const NtfsGeometry& geometry,
                                  const MftRunList& mftRuns, std::uint32_t recordNumber,
                                  disk::ByteView baseRecord, std::size_t maxExtents,
                                  const std::string& stream) {
    DataAttribute data;
    Attribute first;
    if (findExtent(baseRecord, 0, first, stream)) {
        takeFirstExtent(data, first);
        if (data.resident)
            return data;
        addRuns(data, first);
    }
    const auto entries = LoadAttributeList(source, geometry, baseRecord);
    if (entries) {
        std::set<std::pair<std::uint32_t, std::uint64_t>> seen;
        if (data.found)
            seen.insert({recordNumber, 0});
        for (const AttributeListEntry& entry : *entries) {
            // A named entry's name is compared in its record (findExtent).
            if (entry.type != kData || (entry.nameLength == 0) != stream.empty())
                continue;
            if (seen.size() >= maxExtents || !seen.insert({entry.record, entry.lowestVcn}).second)
                continue;
            Attribute extent;
            RecordBytes other{};
            disk::ByteView holder = baseRecord;
            if (entry.record != recordNumber) {
                if (!ReadMftRecord(source, geometry, mftRuns, entry.record, other)) {
                    data.extentsMissing = true;
                    continue;
                }
                holder = disk::ByteView(other.data(), other.size());
            }
            if (!findExtent(holder, entry.lowestVcn, extent, stream)) {
                data.extentsMissing = true;
                continue;
            }
            if (entry.lowestVcn == 0) {
                if (data.found)
                    continue;
                takeFirstExtent(data, extent);
                if (data.resident)
                    return data;
            } else if (!extent.nonResident()) {
                continue;
            }
            addRuns(data, extent);
        }
    }
    std::sort(data.runs.begin(), data.runs.end(),
              [](const DataRun& a, const DataRun& b) { return a.vcn < b.vcn; });
    return data;
}

} // namespace qr::ntfs
