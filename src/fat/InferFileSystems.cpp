#include "fat/InferFileSystems.h"

#include "model/RecordTable.h"
#include "volume/SearchProgress.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace qr::fat {

namespace {

using namespace model;

// The cluster sizes a FAT volume can have; index i holds 2^i sectors.
constexpr int kSizes = 8;
constexpr std::uint32_t kMostFat16Clusters = 65536;

int sizeIndex(std::uint32_t sectorsPerCluster) {
    for (int i = 0; i < kSizes; ++i)
        if (sectorsPerCluster == (1u << i))
            return i;
    return -1;
}

struct Head {
    std::uint32_t sector = 0;
    std::uint32_t cluster = 0;
};

// For each cluster size h, the heads grouped by the cluster-0 sector they imply
// (sector - h * cluster, for heads where that is not negative), each group in row
// order. A group's cursor passes over heads that can never match again; a group whose
// sectors rise with the row (as a sweep writes them) can stop at the first head too
// far out.
class HeadIndex {
public:
    explicit HeadIndex(const std::vector<Head>& heads) {
        for (int i = 0; i < kSizes; ++i) {
            const std::uint64_t h = 1u << i;
            std::vector<Entry>& list = entries_[i];
            list.reserve(heads.size());
            for (std::size_t row = 0; row < heads.size(); ++row) {
                const std::uint64_t offset = h * heads[row].cluster;
                if (offset <= heads[row].sector)
                    list.push_back({static_cast<std::uint32_t>(heads[row].sector - offset),
                                    static_cast<std::int32_t>(row)});
            }
            std::sort(list.begin(), list.end(), [](const Entry& a, const Entry& b) {
                return a.base != b.base ? a.base < b.base : a.row < b.row;
            });
            cursor_[i].assign(list.size(), 0);
            rising_[i].assign(list.size(), 1);
            for (std::size_t begin = 0; begin < list.size();) {
                std::size_t end = begin + 1;
                bool rising = true;
                for (; end < list.size() && list[end].base == list[begin].base; ++end)
                    rising =
                        rising && heads[list[end].row].sector > heads[list[end - 1].row].sector;
                cursor_[i][begin] = static_cast<std::uint32_t>(begin);
                rising_[i][begin] = rising;
                begin = end;
            }
        }
    }

    struct Group {
        int size = 0;          // index into the cluster sizes
        std::size_t begin = 0; // first entry of the group
        std::size_t end = 0;   // one past its last entry
        bool rising = false;   // sectors rise with the row
        std::uint32_t* cursor = nullptr;
    };

    // The heads of cluster size 2^size whose cluster-0 sector is `base`.
    Group group(int size, std::uint64_t base) {
        Group g;
        g.size = size;
        if (base > UINT32_MAX)
            return g;
        std::vector<Entry>& list = entries_[size];
        const auto first =
            std::lower_bound(list.begin(), list.end(), static_cast<std::uint32_t>(base),
                             [](const Entry& e, std::uint32_t b) { return e.base < b; });
        if (first == list.end() || first->base != base)
            return g;
        const auto last =
            std::upper_bound(first, list.end(), static_cast<std::uint32_t>(base),
                             [](std::uint32_t b, const Entry& e) { return b < e.base; });
        g.begin = static_cast<std::size_t>(first - list.begin());
        g.end = static_cast<std::size_t>(last - list.begin());
        g.rising = rising_[size][g.begin] != 0;
        g.cursor = &cursor_[size][g.begin];
        return g;
    }

    int row(const Group& g, std::size_t entry) const { return entries_[g.size][entry].row; }

private:
    struct Entry {
        std::uint32_t base;
        std::int32_t row;
    };
    std::array<std::vector<Entry>, kSizes> entries_;
    // Kept at each group's first entry.
    std::array<std::vector<std::uint32_t>, kSizes> cursor_;
    std::array<std::vector<std::uint8_t>, kSizes> rising_;
};

class Inference {
public:
    Inference(RecordTables& tables, volume::FileSystemKind searched,
              volume::SearchProgress& progress, std::uint64_t ownBootSector)
        : boot_(tables.bootSectorTable), dirs_(tables.dirClusterTable),
          systems_(tables.fileSystemTable), searched_(searched), progress_(progress),
          ownBootSector_(ownBootSector) {
        const int rows = dirs_.rowCount();
        heads_.resize(static_cast<std::size_t>(rows));
        fs_.resize(static_cast<std::size_t>(rows));
        for (int i = 0; i < rows; ++i) {
            heads_[i] = {dirs_.number(i, dircluster_col::Sector),
                         dirs_.number(i, dircluster_col::SelfCluster)};
            fs_[i] = dirs_.number(i, dircluster_col::FileSystem);
        }
    }

    int run() {
        progress_.phase(volume::SearchPhase::Inference);
        progress_.position(0, heads_.size());
        HeadIndex index(heads_);
        phase1(index);
        progress_.phase(volume::SearchPhase::InferencePairs);
        phase2(index);
        return count_;
    }

private:
    bool unassigned(int row) const { return fs_[row] == 0; }

    void assign(int row, std::uint32_t number) {
        fs_[row] = number;
        dirs_.setNumber(row, dircluster_col::FileSystem, number);
    }

    void settle(std::uint64_t rows) {
        settled_ += rows;
        const std::uint64_t total = heads_.size();
        const int percent =
            total == 0 ? 100
                       : static_cast<int>(std::min<std::uint64_t>(100, settled_ * 100 / total));
        if (percent != shownPercent_) {
            shownPercent_ = percent;
            progress_.position(settled_, total);
        }
    }

    // Moves a group's cursor over the heads at its front that are given away already
    // or lie at or before `passed` (heads the walk never looks at again).
    void advance(HeadIndex& index, const HeadIndex::Group& g, int passed) {
        std::uint32_t& cursor = *g.cursor;
        while (cursor < g.end) {
            const int row = index.row(g, cursor);
            if (row > passed && unassigned(row))
                break;
            ++cursor;
        }
    }

    // Each boot row in order takes every unassigned head that lies inside its volume
    // at the sector its layout gives the head's cluster. The volume's own boot row
    // needs no head.
    void phase1(HeadIndex& index) {
        for (int b = 0; b < boot_.rowCount(); ++b) {
            const int size = sizeIndex(boot_.number(b, boot_col::Spc));
            if (size < 0)
                continue;
            const std::uint32_t cluster0 = boot_.number(b, boot_col::Cluster0Start);
            const std::uint32_t end = boot_.number(b, boot_col::TotalSectors);
            const HeadIndex::Group g = index.group(size, cluster0);
            // Sector cells hold the low 32 bits, as every sector cell does.
            const bool own = ownBootSector_ != kNoOwnBootSector && !ownCopied_ &&
                             boot_.number(b, 0) == static_cast<std::uint32_t>(ownBootSector_);
            ownCopied_ = ownCopied_ || own;
            if (!g.cursor) {
                if (own)
                    copyBootRow(b);
                continue;
            }
            advance(index, g, -1);
            std::uint32_t number = 0;
            for (std::size_t e = *g.cursor; e < g.end; ++e) {
                const int row = index.row(g, e);
                if (!unassigned(row))
                    continue;
                if (heads_[row].sector > end) {
                    if (g.rising)
                        break;
                    continue;
                }
                if (number == 0)
                    number = copyBootRow(b);
                assign(row, number);
                settle(1);
            }
            if (own && number == 0)
                copyBootRow(b);
        }
    }

    std::uint32_t copyBootRow(int b) {
        const int row = systems_.appendRow(boot_.cell(b, 0));
        for (int column = 1; column < boot_.columnCount(); ++column)
            systems_.setCell(row, column, boot_.cell(b, column));
        ++count_;
        return static_cast<std::uint32_t>(row + 1);
    }

    // The first unassigned head after f that pairs with it: same cluster-0 sector for
    // some cluster size, a higher cluster, and a cluster below f's sector.
    struct Pair {
        int row = -1;
        HeadIndex::Group group;
        std::uint64_t base = 0;
        std::uint32_t sectorsPerCluster = 0;
    };

    Pair partnerOf(HeadIndex& index, int f) {
        Pair best;
        const Head hf = heads_[f];
        for (int size = 0; size < kSizes; ++size) {
            const std::uint64_t h = 1u << size;
            if (h * hf.cluster >= hf.sector)
                continue;
            const std::uint64_t base = hf.sector - h * hf.cluster;
            const HeadIndex::Group g = index.group(size, base);
            if (!g.cursor)
                continue;
            advance(index, g, f);
            for (std::size_t e = *g.cursor; e < g.end; ++e) {
                const int o = index.row(g, e);
                if (best.row >= 0 && o >= best.row)
                    break;
                if (o <= f || !unassigned(o))
                    continue;
                const std::uint32_t co = heads_[o].cluster;
                if (co > hf.cluster && co < hf.sector) {
                    best = {o, g, base, static_cast<std::uint32_t>(h)};
                    break;
                }
                if (g.rising && co >= hf.sector)
                    break;
            }
        }
        return best;
    }

    void phase2(HeadIndex& index) {
        const int rows = static_cast<int>(heads_.size());
        for (int f = 0; f < rows; ++f) {
            if (!unassigned(f))
                continue;
            const Pair pair = partnerOf(index, f);
            if (pair.row < 0) {
                fs_[f] = static_cast<std::uint32_t>(-1);
                dirs_.setCell(f, dircluster_col::FileSystem, "-1");
                settle(1);
                continue;
            }
            const int row = systems_.appendRow("0");
            ++count_;
            const auto number = static_cast<std::uint32_t>(row + 1);
            systems_.setNumber(row, boot_col::Spc, pair.sectorsPerCluster);
            systems_.setNumber(row, boot_col::Cluster0Start, static_cast<std::uint32_t>(pair.base));
            systems_.setCell(row, boot_col::PartType, volume::FileSystemName(searched_));
            assign(f, number);
            assign(pair.row, number);
            settle(2);
            // No FAT16 volume numbers a cluster beyond 65536: the pair alone can prove
            // the volume FAT32, as can any head that joins it.
            std::uint32_t largest = std::max(heads_[f].cluster, heads_[pair.row].cluster);
            auto upgrade = [&] {
                if (searched_ != volume::FileSystemKind::Fat32 && largest > kMostFat16Clusters)
                    systems_.setCell(row, boot_col::PartType,
                                     volume::FileSystemName(volume::FileSystemKind::Fat32));
            };
            upgrade();
            const HeadIndex::Group& g = pair.group;
            for (std::size_t e = *g.cursor; e < g.end; ++e) {
                const int i = index.row(g, e);
                if (!unassigned(i))
                    continue;
                assign(i, number);
                settle(1);
                largest = std::max(largest, heads_[i].cluster);
                upgrade();
            }
        }
    }

    RecordTable& boot_;
    RecordTable& dirs_;
    RecordTable& systems_;
    volume::FileSystemKind searched_;
    volume::SearchProgress& progress_;
    std::vector<Head> heads_;
    std::vector<std::uint32_t> fs_; // the "File System" cells as numbers
    std::uint64_t ownBootSector_;
    bool ownCopied_ = false;
    int count_ = 0;
    std::uint64_t settled_ = 0;
    int shownPercent_ = -1;
};

} // namespace

int InferFileSystems(RecordTables& tables, volume::FileSystemKind searched,
                     volume::SearchProgress& progress, std::uint64_t ownBootSector) {
    return Inference(tables, searched, progress, ownBootSector).run();
}

int NextUnassignedCluster(const RecordTable& dirClusters, int start) {
    for (int row = std::max(start, 0); row < dirClusters.rowCount(); ++row)
        if (dirClusters.number(row, dircluster_col::FileSystem) == 0)
            return row;
    return -1;
}

} // namespace qr::fat
