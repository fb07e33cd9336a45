// The detector's geometry record ("DP" of the 'F' listing's scratch folder) from hostile
// bytes: read as the listing reads it (its first 64 bytes), stored as the listing stores
// it and shown as the details column shows it. A value the record does not tell reads 0,
// the size is never a wrapped product, and a record that reads whole says the same again
// once written back.
#include "disk/DiskDetails.h"
#include "disk/DiskListing.h"
#include "disk/GeometryResultFile.h"
#include "platform/RegistryData.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace qr;

constexpr std::size_t kListingReads = 64;

void check(bool holds) {
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t length = size < kListingReads ? size : kListingReads;
    const disk::GeometryRecord g = disk::ReadGeometryRecord(disk::ByteView(data, length));

    check(g.heads <= 0xFFFF && g.sectorsPerTrack <= 0xFFFF);
    if (!g.complete)
        check(g.cylinders == 0 && g.sizeBytes() == 0);
    const std::uint64_t bytes = g.sizeBytes();
    if (bytes != 0)
        check(bytes % 512 == 0 && bytes / 512 / g.heads / g.sectorsPerTrack == g.cylinders &&
              bytes / 512 % (std::uint64_t{g.heads} * g.sectorsPerTrack) == 0);

    if (g.complete) {
        const std::vector<unsigned char> again =
            disk::EncodeGeometryRecord(g.heads, g.sectorsPerTrack, g.cylinders);
        const disk::GeometryRecord back =
            disk::ReadGeometryRecord(disk::ByteView(again.data(), again.size()));
        check(back.complete && back.heads == g.heads && back.sectorsPerTrack == g.sectorsPerTrack &&
              back.cylinders == g.cylinders);
    }

    platform::MemoryRegistryStore store;
    const unsigned diskNumber = size > 0 ? data[0] % 24 : 0;
    disk::StoreGeometry95(store, diskNumber, g);
    check(disk::DiskSizeBytes(&store, diskNumber) == bytes);
    const std::vector<std::string> lines = disk::DiskDetailLines(&store, true, diskNumber);
    check(lines.size() == 5);
    check(lines[1] == "Cylinder   : " + std::to_string(g.cylinders));
    check(lines[4] == "Disk Size  : " + std::to_string(bytes / 1048576) + " MB");
    return 0;
}
