// The raw search over hostile bytes: the window search (headers, end markers, the end
// chosen per candidate), the window rules, the whole search over the input as a disk,
// and the length readers of compound documents, Zip archives, pictures and videos over
// the input as a file.
#include "raw/CompoundDocument.h"
#include "raw/MediaFormats.h"
#include "raw/RawSearch.h"
#include "raw/WindowRules.h"
#include "raw/WindowSearch.h"
#include "raw/ZipRecords.h"
#include "support/MemorySource.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

using namespace qr;

class NullOutput final : public raw::CarvedFileOutput {
public:
    bool create(const std::string&) override { return true; }
    bool write(disk::ByteView bytes) override {
        written += bytes.size();
        return true;
    }
    bool finish() override {
        ++unsettled;
        return true;
    }
    std::vector<bool> settle() override {
        std::vector<bool> durable(unsettled, true);
        unsettled = 0;
        return durable;
    }
    void discard() override {}
    void abandon() override {}
    std::uint64_t written = 0;
    std::size_t unsettled = 0;
};

// Nothing written may run past the end of the disk.
class CheckedEvents final : public raw::RawSearchEvents {
public:
    explicit CheckedEvents(std::uint64_t diskBytes) : diskBytes_(diskBytes) {}
    void fileWritten(const raw::CarvedFile& file, const raw::RawCounts&) override {
        if (file.startSector * 512 + file.bytes > diskBytes_)
            __builtin_trap();
    }
    void fileFailed(const raw::CarvedFile&, raw::CarveResult) override {}

private:
    std::uint64_t diskBytes_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const disk::ByteView bytes(data, size);

    // The input as a file.
    const raw::FileBytesReader read = [&](std::uint64_t offset, std::uint32_t length,
                                          unsigned char* out) {
        if (!bytes.has(offset, length))
            return false;
        std::memcpy(out, data + offset, length);
        return true;
    };
    (void)raw::CompoundDocumentLength(read, size);
    for (std::size_t at = 0; at + 4 <= size; ++at)
        if (std::memcmp(data + at, "PK\x05\x06", 4) == 0)
            (void)raw::ZipArchiveLength(read, at, size);
    // Every picture and video reader, whatever the header says; a length never runs
    // behind the bytes there are.
    for (std::size_t k = raw::kDocumentKinds; k < raw::kRawKinds; ++k)
        if (const auto length = raw::MediaFileLength(static_cast<raw::RawKind>(k), read, size);
            length && length->bytes > size)
            __builtin_trap();
    (void)raw::MediaHeaderKind(data, size);

    // The input as windows of a few sectors each (so the rules see many windows).
    const std::uint32_t windowSectors = size > 0 ? 1 + data[0] % 8 : 1;
    raw::WindowRules rules;
    const std::uint64_t sectors = size / 512;
    for (std::uint64_t w = 0; w < sectors; w += windowSectors) {
        const auto n =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(windowSectors, sectors - w));
        const raw::WindowMarks marks =
            raw::SearchWindow(bytes.from(w * 512), w, n, rules.hasOpenFile());
        for (std::size_t i = 0; i < marks.headers.size(); ++i) {
            std::optional<std::uint64_t> next;
            if (i + 1 < marks.headers.size())
                next = marks.headers[i + 1].sector;
            const auto end = raw::FindFileEnd(
                marks, {marks.headers[i].sector, marks.headers[i].entry, next, std::nullopt});
            if (end && end->sector < marks.headers[i].sector)
                __builtin_trap();
        }
        rules.take(marks, [&](const raw::FileDecision& d) {
            if (d.end && d.end->sector < d.start)
                __builtin_trap();
        });
    }

    // The input as a disk, searched whole.
    test::MemorySource source(std::vector<unsigned char>(data, data + size));
    NullOutput output;
    CheckedEvents events(source.sectorCount() * 512);
    volume::NoProgress progress;
    raw::RawSearchOptions options;
    options.end = source.sectorCount();
    options.windowsPerBatch = 1;
    options.kinds.fill(true);
    (void)raw::RunRawSearch(source, options, output, events, progress, {});
    return 0;
}
