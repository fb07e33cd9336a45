// File-system inference on hand-made tables: which head goes to which file system,
// in which order, and what damaged rows must not do.
#include "fat/InferFileSystems.h"
#include "AdvancedFatSupport.h"
#include "model/FileSystemDetails.h"
#include "model/RecordTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>

namespace qr::fat {
namespace {

using model::boot_col::Cluster0Start;
using model::boot_col::PartType;
using model::boot_col::Spc;
using model::dircluster_col::FileSystem;
using volume::FileSystemKind;

class Inference : public ::testing::Test {
protected:
    void head(std::uint32_t sector, std::uint32_t cluster) {
        model::RecordTable& t = tables.dirClusterTable;
        const int row = t.appendRow(std::to_string(sector));
        t.setNumber(row, model::dircluster_col::SelfCluster, cluster);
        t.setCell(row, FileSystem, "0");
    }
    // A boot row as the sweep writes it, reduced to what inference reads.
    void boot(std::uint32_t sector, std::uint32_t spc, std::uint32_t cluster0, std::uint32_t end,
              const char* type = "FAT32") {
        model::RecordTable& t = tables.bootSectorTable;
        const int row = t.appendRow(std::to_string(sector));
        t.setNumber(row, Spc, spc);
        t.setNumber(row, Cluster0Start, cluster0);
        t.setNumber(row, model::boot_col::TotalSectors, end);
        t.setCell(row, PartType, type);
    }
    int infer(FileSystemKind searched = FileSystemKind::Fat32) {
        return InferFileSystems(tables, searched, progress);
    }
    std::vector<std::uint32_t> assigned() const {
        return test::fileSystemsOfHeads(tables.dirClusterTable);
    }
    const model::RecordTable& systems() const { return tables.fileSystemTable; }

    model::RecordTables tables;
    test::RecordingProgress progress;
};

constexpr std::uint32_t kNone = 0xFFFFFFFF; // "-1"

TEST_F(Inference, TwoHeadsFixClusterSizeAndClusterZero) {
    head(8200, 5);
    head(8232, 9);
    head(8264, 13); // joins: 8160 + 8 * 13
    head(8265, 14); // does not
    EXPECT_EQ(infer(), 1);
    ASSERT_EQ(systems().rowCount(), 1);
    EXPECT_EQ(systems().cell(0, model::boot_col::Sector), "0");
    EXPECT_EQ(systems().number(0, Spc), 8u);
    EXPECT_EQ(systems().number(0, Cluster0Start), 8160u);
    EXPECT_EQ(systems().cell(0, PartType), "FAT32");
    EXPECT_EQ(systems().cell(0, model::boot_col::FirstFat), "");
    EXPECT_EQ(assigned(), (std::vector<std::uint32_t>{1, 1, 1, kNone}));
    EXPECT_EQ(tables.dirClusterTable.cell(3, FileSystem), "-1");
}

TEST_F(Inference, BootRowsTakeTheirHeadsFirstAndInOrder) {
    boot(100, 4, 200, 100000, "FAT16");
    boot(110, 4, 200, 100000); // the same layout again: finds nothing left
    boot(120, 2, 300, 100000); // a volume without heads makes no file system
    head(208, 2);              // 200 + 4 * 2
    head(600, 100);
    head(800, 150);
    EXPECT_EQ(infer(), 1);
    EXPECT_EQ(systems().cell(0, model::boot_col::Sector), "100");
    EXPECT_EQ(systems().cell(0, PartType), "FAT16");
    EXPECT_EQ(systems().cell(0, model::boot_col::TotalSectors), "100000");
    EXPECT_EQ(assigned(), (std::vector<std::uint32_t>{1, 1, 1}));
    EXPECT_EQ(progress.phases,
              (std::vector<volume::SearchPhase>{volume::SearchPhase::Inference,
                                                volume::SearchPhase::InferencePairs}));
    EXPECT_EQ(progress.lastPosition, 3u);
    EXPECT_EQ(progress.lastTotal, 3u);
}

TEST_F(Inference, HeadsBehindTheVolumeEndAreLeftToPairs) {
    boot(0, 1, 100, 1000);
    head(150, 50); // inside
    // Behind sector 1000: another volume whose cluster 0 lies at the same sector.
    head(2100, 2000);
    head(2150, 2050);
    head(2199, 2099);
    EXPECT_EQ(infer(), 2);
    EXPECT_EQ(assigned(), (std::vector<std::uint32_t>{1, 2, 2, 2}));
    EXPECT_EQ(systems().number(1, Spc), 1u);
    EXPECT_EQ(systems().number(1, Cluster0Start), 100u);
}

TEST_F(Inference, ThePartnerIsTheFirstFittingHeadWhateverTheClusterSize) {
    head(1000, 10);
    head(1050, 60); // h = 1, base 990: fits first
    head(1020, 20); // h = 2, base 980: would fit too, but later
    head(1100, 110);
    EXPECT_EQ(infer(), 1);
    EXPECT_EQ(systems().number(0, Spc), 1u);
    EXPECT_EQ(systems().number(0, Cluster0Start), 990u);
    // Head 3 joins the first; head 2 has only a partner behind it already taken.
    EXPECT_EQ(assigned(), (std::vector<std::uint32_t>{1, 1, kNone, 1}));
    EXPECT_EQ(infer(), 0) << "a second run finds nothing left";
}

TEST_F(Inference, PairsNeedAHigherClusterBelowTheFirstHeadsSector) {
    head(100, 200); // cluster above its own sector: pairs with nothing
    head(300, 400);
    head(5000, 10); // a partner whose cluster is not below 5000 is refused
    head(10000, 5010);
    EXPECT_EQ(infer(), 0);
    EXPECT_EQ(assigned(), (std::vector<std::uint32_t>(4, kNone)));
}

TEST_F(Inference, ClustersBeyondFat16MakeTheVolumeFat32) {
    head(70000, 65000);
    head(70002, 65002);
    head(80000, 75000); // joins and goes beyond 65536
    EXPECT_EQ(infer(FileSystemKind::Fat16), 1);
    EXPECT_EQ(systems().cell(0, PartType), "FAT32");
}

TEST_F(Inference, APairBeyondFat16IsFat32WithoutAThirdHead) {
    head(70000, 66000);
    head(70004, 66004);
    EXPECT_EQ(infer(FileSystemKind::Fat16), 1);
    EXPECT_EQ(systems().cell(0, PartType), "FAT32");
}

TEST_F(Inference, DamagedRowsNeverMatchByWrapAround) {
    boot(0, 0, 64, 0xFFFFFFFF); // no cluster size: no volume
    boot(0, 3, 64, 0xFFFFFFFF); // not a power of two
    boot(0, 255, 64, 0xFFFFFFFF);
    boot(0, 128, 0xFFFFFF00, 0xFFFFFFFF); // cluster 0 near the 32-bit end
    head(64, 0);
    // 128 * 0x02000003 wraps to 384 in 32 bits, and 384 + 0xFFFFFF00 to 128.
    head(128, 0x02000003);
    head(0xFFFFFFFF, 0xFFFFFFFF);
    head(0xFFFFFFFE, 0x80000000); // 2 * 0x80000000 wraps to 0
    head(0, 0);
    EXPECT_EQ(infer(), 0);
    for (int i = 0; i < systems().rowCount(); ++i)
        EXPECT_NE(systems().number(i, Spc), 0u);
}

TEST_F(Inference, NextUnassignedCluster) {
    head(10, 1);
    head(20, 2);
    head(30, 3);
    tables.dirClusterTable.setCell(0, FileSystem, "1");
    tables.dirClusterTable.setCell(1, FileSystem, "-1");
    EXPECT_EQ(NextUnassignedCluster(tables.dirClusterTable, 0), 2);
    EXPECT_EQ(NextUnassignedCluster(tables.dirClusterTable, 2), 2);
    EXPECT_EQ(NextUnassignedCluster(tables.dirClusterTable, 3), -1);
    EXPECT_EQ(NextUnassignedCluster(tables.dirClusterTable, -5), 2);
    EXPECT_EQ(infer(), 0);
    EXPECT_EQ(NextUnassignedCluster(tables.dirClusterTable, 0), -1);
}

// Heads of many volumes as a sweep writes them (rising sectors), plus lone heads. A walk
// of every pair would take minutes here; the indexed one takes a fraction of a second
// (the benchmark times it), so the bound below leaves room for slow sanitizer builds.
TEST_F(Inference, AHundredThousandHeadsAreNotWalkedPairByPair) {
    std::uint32_t sector = 10000;
    for (int volume = 0; volume < 20; ++volume) {
        const std::uint32_t spc = 1u << (volume % 8);
        const std::uint32_t cluster0 = sector;
        for (std::uint32_t c = 2; c < 5000 + 2; ++c)
            head(cluster0 + c * spc, c);
        sector = cluster0 + 5002 * spc + 977; // a lone head between volumes
        head(sector - 500, 0x7FFFFFFF);       // a cluster no volume reaches
    }
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(infer(), 20);
    const auto took = std::chrono::steady_clock::now() - begin;
    EXPECT_LT(took, std::chrono::seconds(20));
    std::uint32_t lone = 0;
    for (std::uint32_t n : assigned())
        lone += n == kNone;
    EXPECT_EQ(lone, 20u);
}

TEST(FileSystemDetails, ItemTextAndDetailsRows) {
    model::RecordTables tables;
    model::RecordTable& t = tables.fileSystemTable;
    t.appendRow("0");
    t.setCell(0, Spc, "8");
    t.setCell(0, Cluster0Start, "8160");
    t.setCell(0, PartType, "FAT32");
    EXPECT_EQ(model::FileSystemItemText(t, 0), "File System 1 - FAT32");
    EXPECT_EQ(model::FileSystemDetailsRows(t, 0),
              (std::vector<std::string>{"File System - 1", "Partition Type : FAT32",
                                        "File System Start : 8160", "Sectors Per Clusters : 8"}));
    EXPECT_TRUE(model::FileSystemDetailsRows(t, 1).empty());
    EXPECT_TRUE(model::FileSystemDetailsRows(t, -1).empty());
}

} // namespace
} // namespace qr::fat

namespace qr::fat {
namespace {

// The inference as a walk of every boot row against every head and of every pair of
// unassigned heads, with the same 64-bit arithmetic. The indexed inference must give
// the very same tables on any input, in sweep order or not.
int walkEveryPair(model::RecordTables& t, FileSystemKind searched) {
    using namespace model;
    RecordTable& dirs = t.dirClusterTable;
    RecordTable& systems = t.fileSystemTable;
    const int rows = dirs.rowCount();
    auto sector = [&](int i) -> std::uint64_t { return dirs.number(i, dircluster_col::Sector); };
    auto cluster = [&](int i) -> std::uint64_t {
        return dirs.number(i, dircluster_col::SelfCluster);
    };
    auto isSize = [](std::uint64_t h) { return h >= 1 && h <= 128 && (h & (h - 1)) == 0; };
    int count = 0;
    for (int b = 0; b < t.bootSectorTable.rowCount(); ++b) {
        const std::uint64_t spc = t.bootSectorTable.number(b, boot_col::Spc);
        const std::uint64_t c0 = t.bootSectorTable.number(b, boot_col::Cluster0Start);
        const std::uint64_t end = t.bootSectorTable.number(b, boot_col::TotalSectors);
        if (!isSize(spc))
            continue;
        int number = 0;
        for (int i = 0; i < rows; ++i) {
            if (dirs.number(i, FileSystem) != 0 || sector(i) < c0 || sector(i) > end ||
                cluster(i) * spc + c0 != sector(i))
                continue;
            if (number == 0) {
                const int row = systems.appendRow(t.bootSectorTable.cell(b, 0));
                for (int col = 1; col < 11; ++col)
                    systems.setCell(row, col, t.bootSectorTable.cell(b, col));
                number = ++count;
            }
            dirs.setNumber(i, FileSystem, static_cast<std::uint32_t>(number));
        }
    }
    for (int start = 0; start < rows;) {
        const int f = NextUnassignedCluster(dirs, start);
        if (f < 0)
            break;
        const std::uint64_t sf = sector(f), cf = cluster(f);
        int partner = -1;
        std::uint64_t h = 0;
        for (int g = f + 1; g < rows && partner < 0; ++g) {
            const int o = NextUnassignedCluster(dirs, g);
            if (o < 0)
                break;
            const std::uint64_t so = sector(o), co = cluster(o);
            if (!(co > cf && so > sf && co < so && co < sf) || (so - sf) % (co - cf) != 0)
                continue;
            h = (so - sf) / (co - cf);
            if (isSize(h) && cf * h < sf && co * h < so && sf - cf * h == so - co * h)
                partner = o;
        }
        if (partner < 0) {
            dirs.setCell(f, FileSystem, "-1");
        } else {
            const std::uint64_t base = sf - cf * h;
            const int row = systems.appendRow("0");
            const auto number = static_cast<std::uint32_t>(++count);
            systems.setNumber(row, Spc, static_cast<std::uint32_t>(h));
            systems.setNumber(row, Cluster0Start, static_cast<std::uint32_t>(base));
            systems.setCell(row, PartType, volume::FileSystemName(searched));
            dirs.setNumber(f, FileSystem, number);
            dirs.setNumber(partner, FileSystem, number);
            std::uint64_t largest = std::max(cf, cluster(partner));
            for (int i = 0; i <= rows; ++i) {
                if (searched != FileSystemKind::Fat32 && largest > 65536)
                    systems.setCell(row, PartType, "FAT32");
                if (i == rows)
                    break;
                if (dirs.number(i, FileSystem) == 0 && sector(i) == base + h * cluster(i)) {
                    dirs.setNumber(i, FileSystem, number);
                    largest = std::max(largest, cluster(i));
                }
            }
        }
        start = f + 1;
    }
    return count;
}

std::vector<std::vector<std::string>> rowsOf(const model::RecordTable& t) {
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < t.rowCount(); ++i) {
        rows.emplace_back();
        for (int c = 0; c < t.columnCount(); ++c)
            rows.back().push_back(t.cell(i, c));
    }
    return rows;
}

// Random tables of a few volumes lying close together (so their heads also pair across
// them), boot rows right and wrong, and stray heads; 400 rounds make some 850 file
// systems out of 6,500 heads.
TEST(InferenceOrder, SameResultAsAWalkOfEveryPair) {
    std::mt19937 random(20261209);
    auto pick = [&](std::uint32_t below) { return static_cast<std::uint32_t>(random() % below); };
    for (int round = 0; round < 400; ++round) {
        model::RecordTables tables;
        struct Head {
            std::uint32_t sector, cluster;
        };
        std::vector<Head> heads;
        for (int v = 0, volumes = 1 + static_cast<int>(pick(4)); v < volumes; ++v) {
            const std::uint32_t spc = 1u << pick(8);
            const std::uint32_t cluster0 = 200 + pick(3000);
            for (int k = 0, n = static_cast<int>(pick(12)); k < n; ++k) {
                const std::uint32_t c = 2 + pick(60);
                heads.push_back({cluster0 + c * spc, c});
            }
            if (pick(2) != 0) {
                const int row = tables.bootSectorTable.appendRow(std::to_string(pick(cluster0)));
                tables.bootSectorTable.setNumber(row, Spc, pick(3) == 0 ? pick(200) : spc);
                tables.bootSectorTable.setNumber(row, Cluster0Start, cluster0);
                tables.bootSectorTable.setNumber(row, model::boot_col::TotalSectors,
                                                 cluster0 + pick(8000));
                tables.bootSectorTable.setCell(row, PartType, "FAT16");
            }
        }
        for (int k = 0, n = static_cast<int>(pick(6)); k < n; ++k)
            heads.push_back({pick(12000), pick(4) == 0 ? 0xFFFFFFF0 + pick(16) : pick(5000)});
        if (pick(3) != 0) // as a sweep writes them: rising sectors
            std::sort(heads.begin(), heads.end(),
                      [](const Head& a, const Head& b) { return a.sector < b.sector; });
        else
            std::shuffle(heads.begin(), heads.end(), random);
        for (const Head& h : heads) {
            const int row = tables.dirClusterTable.appendRow(std::to_string(h.sector));
            tables.dirClusterTable.setNumber(row, model::dircluster_col::SelfCluster, h.cluster);
            tables.dirClusterTable.setCell(row, FileSystem, "0");
        }
        model::RecordTables expected = tables;
        const FileSystemKind searched = pick(2) ? FileSystemKind::Fat16 : FileSystemKind::Fat32;
        volume::NoProgress quiet;
        ASSERT_EQ(InferFileSystems(tables, searched, quiet), walkEveryPair(expected, searched))
            << "round " << round;
        ASSERT_EQ(rowsOf(tables.dirClusterTable), rowsOf(expected.dirClusterTable))
            << "round " << round;
        ASSERT_EQ(rowsOf(tables.fileSystemTable), rowsOf(expected.fileSystemTable))
            << "round " << round;
    }
}

} // namespace
} // namespace qr::fat
