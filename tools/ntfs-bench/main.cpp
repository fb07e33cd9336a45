// advanced-ntfs-bench sweep IMAGE          sweeps the whole image for NTFS records
// advanced-ntfs-bench assign DIRECTORIES   assigns numbers and a volume to DIRECTORIES
//                                          made-up directories (no boot sector)
// Prints one line of figures; the times are wall-clock seconds.
#include "bench-common/FileSource.h"
#include "disk/DeviceFile.h"
#include "disk/SectorSource.h"
#include "model/RecordTable.h"
#include "ntfs/AssignMftNumbers.h"
#include "ntfs/ScanSectorsForNtfs.h"
#include "volume/SearchProgress.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace qr;
using Clock = std::chrono::steady_clock;
using bench::FileSource;

class MemorySource final : public disk::SectorSource {
public:
    explicit MemorySource(std::uint64_t sectors) : bytes(sectors * disk::kSectorBytes, 0) {}
    disk::ReadStatus readSectors(std::uint64_t start, std::uint32_t count,
                                 unsigned char* buffer) override {
        const std::size_t length = std::size_t{count} * disk::kSectorBytes;
        std::memset(buffer, 0, length);
        const std::size_t from = start * disk::kSectorBytes;
        if (from < bytes.size())
            std::memcpy(buffer, bytes.data() + from, std::min(length, bytes.size() - from));
        return disk::ReadStatus::Complete;
    }
    std::uint64_t sectorCount() override { return bytes.size() / disk::kSectorBytes; }
    unsigned char* at(std::uint64_t sector) { return bytes.data() + sector * disk::kSectorBytes; }

    std::vector<unsigned char> bytes;
};

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void put16(unsigned char* p, std::uint16_t v) {
    std::memcpy(p, &v, 2);
}
void put32(unsigned char* p, std::uint32_t v) {
    std::memcpy(p, &v, 4);
}
void put64(unsigned char* p, std::uint64_t v) {
    std::memcpy(p, &v, 8);
}

// A file-name value with an ASCII name.
std::size_t putName(unsigned char* p, std::uint32_t parent, std::int64_t created,
                    const std::string& name, bool directory) {
    put64(p, parent);
    put64(p + 8, static_cast<std::uint64_t>(created));
    put32(p + 0x38, directory ? 0x10000000 : 0);
    p[0x40] = static_cast<unsigned char>(name.size());
    p[0x41] = 1;
    for (std::size_t i = 0; i < name.size(); ++i)
        p[0x42 + 2 * i] = static_cast<unsigned char>(name[i]);
    return 0x42 + 2 * name.size();
}

std::size_t putEntry(unsigned char* p, std::uint32_t record, std::uint32_t parent,
                     std::int64_t created, const std::string& name, bool directory) {
    put64(p, record);
    const std::size_t key = putName(p + 0x10, parent, created, name, directory);
    const std::size_t length = (0x10 + key + 7) & ~std::size_t{7};
    put16(p + 8, static_cast<std::uint16_t>(length));
    put16(p + 10, static_cast<std::uint16_t>(key));
    return length;
}

int sweep(const char* image) {
    disk::PosixDeviceOpener opener;
    auto file = opener.open(image);
    if (!file) {
        std::fprintf(stderr, "cannot open %s\n", image);
        return 1;
    }
    FileSource source(std::move(file));
    model::RecordTables tables;
    volume::NoProgress quiet;
    const auto start = Clock::now();
    const ntfs::NtfsSweepResult result =
        ntfs::ScanSectorsForNtfs(source, 0, source.sectorCount(), tables, {}, quiet);
    const double sweepSeconds = secondsSince(start);
    const auto assignStart = Clock::now();
    const ntfs::AssignmentResult assigned =
        ntfs::AssignMftNumbers(source, tables, source.sectorCount(), &result.signatures, quiet);
    std::printf("sweep %.3f s, %u file records, %u index records, %u boot sectors; "
                "assignment %.3f s, %d file systems\n",
                sweepSeconds, result.fileRecords, result.indexRecords, result.bootSectors,
                secondsSince(assignStart), assigned.fileSystems);
    return 0;
}

// Directory i (MFT number 100 + i, 512-byte records of one sector per cluster) is a
// child of directory (i - 1) / 4; each has one index record that names its children,
// or one file when it has none. No boot sector: the volume comes from a pair.
int assign(std::uint32_t count) {
    constexpr std::uint64_t kVolume = 64;
    const std::uint64_t records = 16;
    const std::uint64_t firstIndex = records + 2ull * count + 16;
    MemorySource medium(kVolume + firstIndex + count + 16);
    for (std::uint32_t i = 0; i < count; ++i) {
        unsigned char* r = medium.at(kVolume + records + 2ull * i);
        std::memcpy(r, "FILE", 4);
        put16(r + 4, 0x30);
        put16(r + 6, 3);
        put16(r + 0x14, 0x38);
        r[0x16] = 3;
        put32(r + 0x1C, 1024);
        unsigned char* a = r + 0x38;
        const std::uint32_t parent = i == 0 ? 5 : 100 + (i - 1) / 4;
        put32(a, 0x30);
        const std::size_t value = putName(a + 0x18, parent, i, "d" + std::to_string(i), true);
        const std::size_t length = (0x18 + value + 7) & ~std::size_t{7};
        put32(a + 4, static_cast<std::uint32_t>(length));
        put32(a + 0x10, static_cast<std::uint32_t>(value));
        put16(a + 0x14, 0x18);
        a += length;
        put32(a, 0xA0);
        put32(a + 4, 0x58);
        a[8] = 1;
        a[9] = 4;
        put16(a + 0x0A, 0x40);
        for (int k = 0; k < 4; ++k)
            a[0x40 + 2 * k] = static_cast<unsigned char>("$I30"[k]);
        put16(a + 0x20, 0x48);
        const std::uint64_t cluster = firstIndex + i;
        a[0x48] = 0x41; // 1 length byte, 4 offset bytes
        a[0x49] = 1;
        put32(a + 0x4A, static_cast<std::uint32_t>(cluster));
        put32(a + 0x58, 0xFFFFFFFF);

        unsigned char* x = medium.at(kVolume + cluster);
        std::memcpy(x, "INDX", 4);
        put16(x + 4, 0x28);
        put16(x + 6, 2);
        put32(x + 0x18, 0x40 - 0x18);
        put32(x + 0x20, 512 - 0x18);
        std::size_t at = 0x40;
        for (std::uint32_t c = 4 * i + 1; c <= 4 * i + 4 && c < count; ++c)
            at += putEntry(x + at, 100 + c, 100 + i, c, "d" + std::to_string(c), true);
        if (at == 0x40)
            at += putEntry(x + at, 100 + count + i, 100 + i, 0, "f", false);
        put16(x + at + 8, 0x10);
    }
    model::RecordTables tables;
    volume::NoProgress quiet;
    const ntfs::NtfsSweepResult swept =
        ntfs::ScanSectorsForNtfs(medium, 0, medium.sectorCount(), tables, {}, quiet);
    const auto start = Clock::now();
    const ntfs::AssignmentResult result =
        ntfs::AssignMftNumbers(medium, tables, medium.sectorCount(), &swept.signatures, quiet);
    std::printf("assignment %.3f s, %u directories, %u assigned, %d file systems\n",
                secondsSince(start), result.directories, result.assigned, result.fileSystems);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "sweep") == 0)
        return sweep(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "assign") == 0)
        return assign(static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)));
    std::fprintf(stderr, "usage: advanced-ntfs-bench sweep IMAGE | assign DIRECTORIES\n");
    return 2;
}
