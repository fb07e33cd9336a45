// NTFS structures over hostile bytes: record fixups, the attribute walk and its
// lookups and named streams, attribute lists, run lists, LZNT1, the boot sector's
// validation (record sizes), the MFT's runs, the standard walk over records of 1024 to
// 8192 bytes and extraction, all through an in-memory medium made of the input.
#include "model/RecordTable.h"
#include "ntfs/Attribute.h"
#include "ntfs/AttributeList.h"
#include "ntfs/AttributeLookups.h"
#include "ntfs/Fixups.h"
#include "ntfs/Lznt1.h"
#include "ntfs/NamedStreams.h"
#include "ntfs/NtfsEngine.h"
#include "ntfs/NtfsSearch.h"
#include "ntfs/NtfsValidation.h"
#include "ntfs/RunList.h"
#include "support/MemorySource.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

using namespace qr;

// Takes at most a few MiB of each file, so huge sparse sizes end quickly.
struct CappedSink final : volume::FileSink {
    bool write(disk::ByteView bytes) override {
        written += bytes.size();
        return written < (4u << 20);
    }
    bool interrupted() override { return false; }
    void unreadable(std::uint64_t, std::uint64_t) override {}
    std::uint64_t written = 0;
};

void decodeRecord(std::vector<unsigned char> record) {
    ntfs::ApplyFixups(record);
    const disk::ByteView view(record.data(), record.size());
    ntfs::FindFileName(view);
    ntfs::FindDataSize(view);
    ntfs::FindNamedStreams(view);
    ntfs::AttributeWalk walk(view);
    ntfs::Attribute attribute;
    while (walk.next(attribute)) {
        attribute.nameIs("$I30");
        if (attribute.nonResident())
            ntfs::DecodeRunList(attribute.runList(), attribute.lowestVcn());
        else
            ntfs::DecodeAttributeList(attribute.value());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8)
        return 0;
    const disk::ByteView input(data, size);
    decodeRecord(std::vector<unsigned char>(data, data + std::min<std::size_t>(size, 1024)));
    decodeRecord(std::vector<unsigned char>(data, data + std::min<std::size_t>(size, 4096)));
    std::vector<unsigned char> unit(16 * 4096);
    ntfs::DecompressLznt1(input, unit);

    // The input is the medium; its first bytes choose the geometry.
    test::MemorySource source(std::vector<unsigned char>(data, data + size));
    volume::VolumeParams params;
    params.partitionEnd = (size - 1) / 512;
    ntfs::ValidateNtfsVolume(&source, params);
    ntfs::NtfsGeometry geometry;
    geometry.recordSectors = 2u << (data[5] % 4);
    geometry.sectorsPerCluster = 1u << (data[0] % 4);
    geometry.volumeStart = data[1] % 4;
    geometry.volumeEnd = geometry.volumeStart + 1 + (data[2] | (data[3] << 8));
    geometry.mftStart = geometry.volumeStart + data[4] % 16;
    model::RecordTables tables;
    volume::NoProgress progress;
    ntfs::NtfsSearchResult result = ntfs::RunNtfsStandardSearch(
        source, geometry, tables.folderTable, tables.fileTable, progress);
    ntfs::NtfsEngine engine(source, geometry, std::move(result.mftRuns), tables.fileTable);
    std::vector<std::uint32_t> keys = {5, model::kLostFolderKey};
    for (int row = 0; row < tables.folderTable.rowCount() && keys.size() < 64; ++row)
        keys.push_back(tables.folderTable.number(row, model::folder_col::Self));
    for (const std::uint32_t key : keys)
        engine.listFiles(key, false, [&](const volume::FolderFile& file) {
            CappedSink sink;
            engine.extract(file, sink, {});
            return true;
        });
    return 0;
}
