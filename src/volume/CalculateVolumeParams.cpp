#include "volume/CalculateVolumeParams.h"

#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"
#include "volume/SectorBytes.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace qr::volume {
namespace {

constexpr std::uint32_t kProgressEvery = 500;
constexpr std::uint32_t kFat16RootSectors = 32; // a root directory of 512 entries
constexpr std::uint32_t kInvalidCluster = 0xFFFFFFFFu;

struct Variant {
    bool fat32 = false;
    std::uint32_t rootSectors = 0; // the fixed root directory between tables and data
};

struct AlignedFree {
    void operator()(unsigned char* p) const { std::free(p); }
};
using Batch = std::unique_ptr<unsigned char, AlignedFree>;

// The last sector among `count` sectors from `from` that begins with 0xF8 0xFF (the
// head of an allocation table), as a distance from the volume's start; 0 for none.
std::uint64_t lastTableHead(app::RecoveryContext& ctx, std::uint64_t from, unsigned count) {
    std::uint64_t found = 0;
    Sector s;
    for (unsigned n = 0; n < count; ++n) {
        s = {};
        ctx.reader->read(from + n, 1, s.bytes.data());
        if (s.u8(0) == 0xF8 && s.u8(1) == 0xFF)
            found = from + n - ctx.volumeParams.partitionStart;
    }
    return found;
}

bool isDirectoryHead(const unsigned char* s) {
    return s[0] == '.' && s[1] == ' ' && s[0x20] == '.' && s[0x21] == '.' && s[0x22] == ' ';
}

std::uint32_t le16(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}

struct Anchor {
    bool set = false;
    std::uint64_t sector = 0;  // h
    std::uint32_t cluster = 0; // g
};

class Reconstruction {
public:
    Reconstruction(app::RecoveryContext& ctx, Variant v, std::uint64_t reserved)
        : ctx_(ctx), v_(v), reserved_(reserved) {}

    // Looks at the sector `i`; true when it completed the layout.
    bool examine(std::uint64_t i, const unsigned char* s) {
        if (!isDirectoryHead(s))
            return false;
        const std::uint32_t low = le16(s + 0x1A);
        const std::uint32_t full = low | (le16(s + 0x14) << 16);
        if (!anchor_.set) {
            if (full < 2 || (v_.fat32 && full == kInvalidCluster))
                return false;
            anchor_ = {true, i, full};
            return false;
        }
        // FAT16 takes the upper half only for the anchor.
        const std::uint32_t f = v_.fat32 ? full : low;
        if (v_.fat32 && f == kInvalidCluster)
            return false;
        return tryFit(i, f);
    }

private:
    bool tryFit(std::uint64_t i, std::uint32_t f) {
        const std::uint64_t h = anchor_.sector;
        const std::uint32_t g = anchor_.cluster;
        if (f <= g || f >= i || f >= h)
            return false;
        const std::uint64_t distance = i - h;
        const std::uint64_t clusters = f - g;
        if (distance % clusters != 0)
            return false;
        const std::uint64_t spc = distance / clusters;
        if (!IsSectorsPerCluster(static_cast<std::uint32_t>(std::min<std::uint64_t>(spc, 256))))
            return false;
        // The data area must lie behind the reserved area, the root and two tables.
        VolumeParams& p = ctx_.volumeParams;
        if (spc * g > h)
            return false;
        const std::uint64_t cluster2 = h - spc * (g - 2);
        const std::uint64_t front = reserved_ + p.partitionStart + v_.rootSectors;
        if (cluster2 <= front + 1)
            return false;
        const std::uint64_t sectorsPerFat = (cluster2 - front) / 2;
        p.sectorsPerCluster = static_cast<std::uint32_t>(spc);
        p.cluster0Start = static_cast<std::uint32_t>(h - spc * g);
        p.sectorsPerFat = static_cast<std::uint32_t>(sectorsPerFat);
        p.firstFat = static_cast<std::uint32_t>(p.partitionStart + reserved_);
        p.secondFat = p.firstFat + p.sectorsPerFat;
        if (!v_.fat32)
            p.rootStart = p.secondFat + p.sectorsPerFat;
        p.reservedSectors = static_cast<std::uint32_t>(reserved_);
        return true;
    }

    app::RecoveryContext& ctx_;
    Variant v_;
    std::uint64_t reserved_;
    Anchor anchor_;
};

} // namespace

int CalculateVolumeParams(app::RecoveryContext& ctx, std::stop_token stop) {
    app::WindowItems& w = ctx.window();
    w.setItemText(app::item::kProgressCaption, "Calculating Partition Params...");
    w.showItem(app::item::kProgressBar, true);
    VolumeParams& p = ctx.volumeParams;
    Variant v;
    std::uint64_t reserved;
    if (p.fileSystemName == "FAT16") {
        reserved = lastTableHead(ctx, p.partitionStart, 10);
        if (reserved == 0)
            reserved = 1;
        v.rootSectors = kFat16RootSectors;
        p.rootSectors = kFat16RootSectors;
    } else if (p.fileSystemName == "FAT32") {
        reserved = lastTableHead(ctx, p.partitionStart + 30, 30);
        if (reserved == 0)
            reserved = 32;
        v.fat32 = true;
        p.rootStart = 2;
        p.rootSectors = 0;
    } else {
        return 0;
    }

    Batch batch(static_cast<unsigned char*>(
        std::aligned_alloc(4096, kCalculateBatchSectors * disk::kSectorSize)));
    if (!batch) {
        if (ctx.messages)
            ctx.messages->error("Not Enough Memory");
        return 0;
    }
    Reconstruction r(ctx, v, reserved);
    // Sectors behind the end of the medium read as zeros and hold no directory: a
    // volume end beyond it (a damaged partition table) is not swept.
    std::uint64_t sweepEnd = p.partitionEnd;
    if (const std::uint64_t medium = ctx.reader->mediumSectors(); medium > 0)
        sweepEnd = std::min(sweepEnd, medium);
    std::uint64_t sinceProgress = 0;
    for (std::uint64_t at = p.partitionStart; at < sweepEnd;) {
        if (stop.stop_requested())
            return 0;
        const auto count = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(kCalculateBatchSectors, sweepEnd - at));
        std::memset(batch.get(), 0, static_cast<std::size_t>(count) * disk::kSectorSize);
        ctx.reader->read(at, count, batch.get());
        for (std::uint32_t n = 0; n < count; ++n) {
            const std::uint64_t i = at + n;
            if (r.examine(i, batch.get() + static_cast<std::size_t>(n) * disk::kSectorSize))
                return 1;
            if (++sinceProgress == kProgressEvery) {
                sinceProgress = 0;
                w.setProgress(app::item::kProgressBar, static_cast<int>(std::min<std::uint64_t>(
                                                           100, i * 100 / p.partitionEnd)));
            }
        }
        at += count;
    }
    return 0;
}

} // namespace qr::volume
