// The copy phases over an in-memory medium with bad sectors: the image equals the medium
// outside them, the map names exactly them, no sector is read more than twice before
// the retries, a run that stops resumes reading only what is left, and a medium that
// goes away or changes size stops the run with its map.
#include "rescue/Rescuer.h"

#include <cstring>
#include <gtest/gtest.h>
#include <set>

namespace qr::rescue {
namespace {

constexpr std::uint64_t kSector = 512;

class MemoryMedium final : public RescueInput {
public:
    explicit MemoryMedium(std::uint64_t sectors) : bytes(sectors * kSector), reads(sectors) {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<unsigned char>(i * 7 + i / 512);
    }
    ReadAnswer read(std::uint64_t offset, void* buffer, std::size_t length) override {
        ++requests;
        if (goneFrom != 0 && requests >= goneFrom)
            return ReadAnswer::Gone;
        bool bad = false;
        for (std::uint64_t s = offset / kSector; s < (offset + length + kSector - 1) / kSector;
             ++s) {
            ++reads[s];
            bad = bad || badSectors.count(s) > 0;
        }
        if (bad)
            return ReadAnswer::Bad;
        std::memcpy(buffer, bytes.data() + offset, length);
        return ReadAnswer::Read;
    }
    std::uint64_t sizeNow() override { return reportedSize ? reportedSize : bytes.size(); }

    std::vector<unsigned char> bytes;
    std::vector<unsigned> reads;
    std::set<std::uint64_t> badSectors;
    std::uint64_t requests = 0;
    std::uint64_t goneFrom = 0;
    std::uint64_t reportedSize = 0;
};

class MemoryImage final : public RescueOutput {
public:
    explicit MemoryImage(std::uint64_t size) : bytes(size, 0) {}
    bool write(std::uint64_t offset, const void* buffer, std::size_t length) override {
        std::memcpy(bytes.data() + offset, buffer, length);
        return true;
    }
    bool flush() override { return true; }
    std::vector<unsigned char> bytes;
};

class RescuerTest : public ::testing::Test {
protected:
    static constexpr std::uint64_t kSectors = 4096; // 2 MiB
    void SetUp() override {
        // Three bad ranges: inside a block, across two blocks, and the last sectors.
        for (std::uint64_t s : {300, 301, 302, 303, 1020, 1021, 1022, 1023, 1024, 1025, 4094, 4095})
            medium.badSectors.insert(s);
    }
    RescueEnd rescue(RescueMap& map, RescueOptions options = {}) {
        std::atomic<bool> stop{false};
        Rescuer rescuer(medium, image, map, options, {});
        return rescuer.run(stop);
    }
    void expectImageAndMap(const RescueMap& map) {
        for (std::uint64_t s = 0; s < kSectors; ++s) {
            const bool bad = medium.badSectors.count(s) > 0;
            EXPECT_EQ(map.stateAt(s * kSector), bad ? BlockState::Bad : BlockState::Rescued)
                << "sector " << s;
            for (std::uint64_t b = s * kSector; b < (s + 1) * kSector; ++b)
                if (image.bytes[b] != (bad ? 0 : medium.bytes[b])) {
                    ADD_FAILURE() << "byte " << b << " of sector " << s;
                    return;
                }
        }
        EXPECT_EQ(map.bytesIn(BlockState::Bad), medium.badSectors.size() * kSector);
    }

    MemoryMedium medium{kSectors};
    MemoryImage image{kSectors * kSector};
};

TEST_F(RescuerTest, CopiesGoodAreasAndMapsExactlyTheBadSectors) {
    for (bool reverse : {false, true}) {
        SCOPED_TRACE(reverse ? "reverse" : "forward");
        medium.reads.assign(kSectors, 0);
        image.bytes.assign(image.bytes.size(), 0);
        RescueMap map(kSectors * kSector);
        RescueOptions options;
        options.reverse = reverse;
        EXPECT_EQ(rescue(map, options), RescueEnd::Finished);
        EXPECT_EQ(map.currentPhase, '+');
        expectImageAndMap(map);
        for (std::uint64_t s = 0; s < kSectors; ++s)
            EXPECT_LE(medium.reads[s], 2u) << "sector " << s;
        for (std::uint64_t s : medium.badSectors)
            EXPECT_GE(medium.reads[s], 1u);
    }
}

TEST_F(RescuerTest, RetriesReadBadSectorsAgainAndRescueThoseThatRecover) {
    RescueMap map(kSectors * kSector);
    ASSERT_EQ(rescue(map), RescueEnd::Finished);
    medium.badSectors.erase(300); // reads on the next try
    const std::vector<unsigned> before = medium.reads;
    RescueOptions options;
    options.retries = 2;
    EXPECT_EQ(rescue(map, options), RescueEnd::Finished);
    expectImageAndMap(map);
    for (std::uint64_t s = 0; s < kSectors; ++s) {
        const unsigned again = medium.reads[s] - before[s];
        if (s == 300)
            EXPECT_EQ(again, 1u);
        else
            EXPECT_EQ(again, medium.badSectors.count(s) ? 2u : 0u) << "sector " << s;
    }
}

TEST_F(RescuerTest, MediumGoneStopsAndTheNextRunReadsOnlyWhatIsLeft) {
    RescueMap map(kSectors * kSector);
    medium.goneFrom = 10; // nine blocks read, then it drops off
    std::uint64_t saved = 0;
    std::atomic<bool> stop{false};
    RescueHooks hooks;
    hooks.saveMap = [&](const RescueMap&) { return ++saved > 0; };
    {
        Rescuer rescuer(medium, image, map, {}, hooks);
        EXPECT_EQ(rescuer.run(stop), RescueEnd::MediumGone);
    }
    EXPECT_GE(saved, 1u);
    const std::uint64_t rescuedBefore = map.bytesIn(BlockState::Rescued);
    EXPECT_GT(rescuedBefore, 0u);
    EXPECT_GT(map.bytesIn(BlockState::NotTried), 0u);
    RescueMap firstRun = map;

    medium.goneFrom = 0;
    medium.reads.assign(kSectors, 0);
    EXPECT_EQ(rescue(map), RescueEnd::Finished);
    expectImageAndMap(map);
    for (std::uint64_t s = 0; s < kSectors; ++s) {
        if (firstRun.stateAt(s * kSector) == BlockState::Rescued) {
            EXPECT_EQ(medium.reads[s], 0u) << "sector " << s << " was rescued already";
        }
    }
}

TEST_F(RescuerTest, StopKeepsAConsistentMap) {
    RescueMap map(kSectors * kSector);
    std::atomic<bool> stop{false};
    RescueHooks hooks;
    int progress = 0;
    hooks.progress = [&](const RescueStatus& s) {
        EXPECT_EQ(s.size, kSectors * kSector);
        if (++progress == 1)
            stop = true;
    };
    RescueOptions options;
    Rescuer rescuer(medium, image, map, options, hooks);
    EXPECT_EQ(rescuer.run(stop), RescueEnd::Stopped);
    std::uint64_t covered = 0;
    for (const MapBlock& b : map.blocks()) {
        EXPECT_EQ(b.pos, covered);
        covered = b.end();
    }
    EXPECT_EQ(covered, kSectors * kSector);
    EXPECT_NE(map.currentPhase, '+');
}

TEST_F(RescuerTest, SizeChangeStopsTheRun) {
    RescueMap map(kSectors * kSector);
    medium.goneFrom = 5;
    medium.reportedSize = kSectors * kSector / 2; // it came back smaller
    EXPECT_EQ(rescue(map), RescueEnd::SizeChanged);
}

TEST_F(RescuerTest, ResumedMapOfAnotherToolIsHonoured) {
    // A map that calls the first half rescued: those sectors are never read.
    RescueMap map(kSectors * kSector);
    map.mark(0, kSectors * kSector / 2, BlockState::Rescued);
    map.currentPhase = '?';
    EXPECT_EQ(rescue(map), RescueEnd::Finished);
    for (std::uint64_t s = 0; s < kSectors / 2; ++s)
        ASSERT_EQ(medium.reads[s], 0u) << "sector " << s;
    EXPECT_EQ(map.bytesIn(BlockState::Bad), 2 * kSector); // 4094 and 4095
}

} // namespace
} // namespace qr::rescue
