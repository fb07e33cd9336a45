// exFAT structures over hostile bytes: the boot-region check (main and backup), the
// entry-set decoder, the chain walk, the directory walk with the heap sweep, listing
// and extraction, through an in-memory medium made of the input. Inputs whose first
// byte is odd keep a valid boot region and put the rest at the FAT and the heap, so
// the walk is reached at once.
#include "exfat/DirectoryWalk.h"
#include "exfat/EntrySet.h"
#include "exfat/ExfatEngine.h"
#include "exfat/ExfatSearch.h"
#include "exfat/FatChain.h"
#include "exfat/HeapSweep.h"
#include "exfat/TinyVolume.h"
#include "model/RecordTable.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

using namespace qr;

struct CappedSink final : volume::FileSink {
    bool write(disk::ByteView bytes) override {
        written += bytes.size();
        return written < (1u << 20);
    }
    bool interrupted() override { return false; }
    void unreadable(std::uint64_t, std::uint64_t) override {}
    std::uint64_t written = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || size > (1u << 20))
        return 0;
    const disk::ByteView input(data + 1, size - 1);
    for (std::uint64_t at = 0; input.has(at, exfat::kEntryBytes); at += exfat::kEntryBytes)
        exfat::DecodeEntrySet(input.from(at), nullptr, exfat::ChecksumRule::Tolerate);
    exfat::LooksLikeDirectoryCluster(input);

    test::MemorySource source;
    if (data[0] & 1) {
        exfat::test::TinyVolume tiny;
        source.bytes = tiny.source.bytes;
        std::copy_n(data + 1, std::min<std::size_t>(size - 1, source.bytes.size() - 24 * 512),
                    source.bytes.begin() + 24 * 512);
    } else {
        source.bytes.assign(data + 1, data + size);
    }
    const std::uint64_t sectors = source.sectorCount();
    const auto region = exfat::ReadExfatBootRegion(source, 0, sectors);
    if (!region.geometry)
        return 0;
    const exfat::Geometry& geometry = *region.geometry;
    exfat::FatTable fat(source, geometry);
    for (std::uint32_t cluster = 2; cluster < 40; ++cluster)
        exfat::WalkChain(fat, geometry, cluster, 1u << 16);

    model::RecordTables tables;
    volume::NoProgress progress;
    exfat::RunExfatStandardSearch(source, geometry, tables.folderTable, tables.fileTable, progress);
    exfat::ExfatEngine engine(source, geometry, nullptr, tables.fileTable);
    using namespace model::folder_col;
    for (int row = 0; row < tables.folderTable.rowCount() && row < 64; ++row)
        engine.listFiles(tables.folderTable.number(row, Self), false,
                         [&](const volume::FolderFile& file) {
                             CappedSink sink;
                             engine.extract(file, sink, {});
                             engine.formatDate(file.stamp);
                             return true;
                         });
    return 0;
}
