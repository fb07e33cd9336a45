// The raw search end to end over in-memory media: real documents and archives in
// pseudo-random filler, the chunk rule where a file's own length cannot be read, the
// ticked kinds and their numbers, damaged input, and a stop.
#include "raw/RawSearch.h"
#include "RawSearchRun.h"
#include "RawTestMedia.h"
#include "raw/RawSearchWorker.h"
#include "support/MemorySource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <map>

namespace qr::raw {
namespace {

using test::endOf;
using test::headerOf;
using test::put;
using test::randomSectors;

struct Placed {
    const test::SampleDocument* document;
    std::uint64_t sector;
};

// The samples in filler: every other one after a gap, the rest back to back.
std::vector<unsigned char> imageOfSamples(std::vector<Placed>& placed, std::uint64_t lead = 300) {
    std::vector<unsigned char> image = randomSectors(lead, 11);
    std::uint64_t gapSeed = 1;
    for (const auto& d : test::sampleDocuments()) {
        if (gapSeed % 2 == 1) {
            const auto gap =
                randomSectors(50 + (gapSeed * 977) % 1700, static_cast<unsigned>(gapSeed));
            image.insert(image.end(), gap.begin(), gap.end());
        }
        ++gapSeed;
        placed.push_back({&d, image.size() / 512});
        image.insert(image.end(), d.bytes.begin(), d.bytes.end());
        image.resize((image.size() + 511) / 512 * 512, 0);
    }
    const auto tail = randomSectors(900, 5);
    image.insert(image.end(), tail.begin(), tail.end());
    return image;
}

RawKind kindOf(const std::string& option) {
    for (std::size_t k = 0; k < kRawKinds; ++k)
        if (RawKindTable[k].option == option)
            return static_cast<RawKind>(k);
    return RawKind::Word;
}

class SampleImage : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::sampleDocuments().empty())
            GTEST_SKIP() << "python3 is not installed";
    }
};

TEST_F(SampleImage, EveryDocumentAndArchiveIsFoundWithItsKindAndWrittenWhole) {
    for (const std::uint64_t shift : {0u, 65u}) {
        SCOPED_TRACE(shift);
        std::vector<Placed> placed;
        test::MemorySource source(imageOfSamples(placed, 300 + shift));
        const auto run = search(source, {});
        EXPECT_EQ(run->result.end, RawSearchEnd::Finished);
        ASSERT_EQ(run->events.written.size(), placed.size());
        RawCounts expected{};
        for (std::size_t i = 0; i < placed.size(); ++i) {
            const CarvedFile& file = run->events.written[i];
            const test::SampleDocument& d = *placed[i].document;
            SCOPED_TRACE(d.name);
            EXPECT_EQ(file.startSector, placed[i].sector);
            EXPECT_EQ(file.kind, kindOf(d.kind));
            EXPECT_EQ(file.number, i + 1);
            EXPECT_EQ(file.name, CarvedFileName(file.kind, i + 1));
            EXPECT_TRUE(file.ownLength);
            EXPECT_TRUE(run->output.files.at(file.name) == d.bytes);
            ++expected[static_cast<std::size_t>(file.kind)];
        }
        EXPECT_EQ(run->result.counts, expected);
        EXPECT_EQ(run->events.last, expected);
    }
}

TEST_F(SampleImage, KindsNotTickedAreNotWrittenButUseTheirNumbers) {
    std::vector<Placed> placed;
    test::MemorySource source(imageOfSamples(placed));
    RawSearchOptions options;
    options.kinds = {false, false, false, true};
    const auto run = search(source, options);
    std::vector<std::string> names;
    for (const auto& f : run->events.written)
        names.push_back(f.name);
    EXPECT_EQ(names, (std::vector<std::string>{"ZIP8.ZIP", "ZIP9.ZIP", "ZIP10.ZIP"}));
    EXPECT_EQ(run->result.counts, (RawCounts{0, 0, 0, 3}));
    EXPECT_EQ(run->output.files.size(), 3u);
    EXPECT_EQ(run->result.fileNumber, placed.size());
}

TEST_F(SampleImage, ARangeFindsOnlyWhatLiesWhollyInsideIt) {
    std::vector<Placed> placed;
    test::MemorySource source(imageOfSamples(placed));
    // From the second archive's start to the last one's start; then a range ending
    // inside the second archive.
    const std::uint64_t first = placed[8].sector;
    const auto run = search(source, {first, placed[9].sector});
    ASSERT_EQ(run->events.written.size(), 1u);
    EXPECT_EQ(run->events.written[0].startSector, first);
    EXPECT_EQ(run->events.written[0].name, "ZIP1.ZIP");
    EXPECT_TRUE(search(source, {first, first + 10})->events.written.empty());
    // A range behind the disk is clamped to it; an empty one finds nothing.
    const auto beyond = search(source, {first, source.sectorCount() + 100000});
    EXPECT_EQ(beyond->events.written.size(), placed.size() - 8);
    EXPECT_EQ(beyond->result.rangeEnd, source.sectorCount());
    EXPECT_TRUE(search(source, {first, first})->events.written.empty());
}

TEST_F(SampleImage, AFileTheDestinationCannotMakeDurableIsReportedAndNotCounted) {
    std::vector<Placed> placed;
    test::MemorySource source(imageOfSamples(placed));
    RawSearchOptions options;
    options.kinds = {false, false, false, true};
    const auto run = search(source, options, {}, {}, "ZIP9.ZIP");
    ASSERT_EQ(run->events.failed.size(), 1u);
    EXPECT_EQ(run->events.failed[0].name, "ZIP9.ZIP");
    EXPECT_EQ(run->events.written.size(), 2u);
    EXPECT_EQ(run->result.counts, (RawCounts{0, 0, 0, 2}));
}

TEST_F(SampleImage, AStopKeepsTheFilesWrittenAndRemovesTheOneBeingWritten) {
    std::vector<Placed> placed;
    test::MemorySource memory(imageOfSamples(placed));
    // Stop as soon as the copy of the large document reads its second megabyte.
    const std::uint64_t large = placed[2].sector;
    ASSERT_EQ(placed[2].document->name, "large.doc");
    std::stop_source stop;
    struct Watching final : disk::SectorSource {
        disk::SectorSource& inner;
        std::function<void(std::uint64_t)> onRead;
        Watching(disk::SectorSource& s, std::function<void(std::uint64_t)> f)
            : inner(s), onRead(std::move(f)) {}
        disk::ReadStatus readSectors(std::uint64_t start, std::uint32_t count,
                                     unsigned char* buffer) override {
            onRead(start);
            return inner.readSectors(start, count, buffer);
        }
        std::uint64_t sectorCount() override { return inner.sectorCount(); }
    } source(memory, [&](std::uint64_t start) {
        if (start == large + 2048)
            stop.request_stop();
    });
    const auto run = search(source, {}, stop);
    EXPECT_EQ(run->result.end, RawSearchEnd::Stopped);
    ASSERT_EQ(run->events.written.size(), 2u);
    for (const auto& f : run->events.written)
        EXPECT_TRUE(run->output.files.at(f.name) == placed[f.number - 1].document->bytes);
    EXPECT_EQ(run->output.discarded, std::vector<std::string>{"DOC3.DOC"});
    EXPECT_EQ(run->output.files.count("DOC3.DOC"), 0u);
    // Nothing behind the large document was read.
    EXPECT_LT(memory.reads.back().first, placed[3].sector);
}

TEST_F(SampleImage, TheWorkerStopsPromptlyAndKeepsWhatItWrote) {
    std::vector<Placed> placed;
    test::MemorySource source(imageOfSamples(placed));
    MemoryOutput output;
    Recorder events;
    volume::NoProgress progress;
    RawSearchWorker worker;
    std::atomic<bool> ended{false};
    std::promise<void> first;
    events.onWritten = [&](const CarvedFile& f) {
        if (f.number == 1)
            first.set_value();
    };
    RawSearchOptions options;
    options.end = source.sectorCount();
    worker.start(source, options, output, events, progress,
                 [&](const RawSearchResult&) { ended = true; });
    first.get_future().wait();
    worker.stop();
    EXPECT_TRUE(ended);
    EXPECT_FALSE(worker.running());
    EXPECT_GE(events.written.size(), 1u);
    for (const auto& f : events.written)
        EXPECT_TRUE(output.files.at(f.name) == placed[f.number - 1].document->bytes);
}

// Sector-level documents whose own length cannot be read: the chunk rule.
TEST(ChunkRule, ShortLongAndCutFiles) {
    EXPECT_EQ(ChunkRuleLength(10, 13, true), 20u * 512); // within 20 sectors
    EXPECT_EQ(ChunkRuleLength(10, 30, false), 20u * 512);
    EXPECT_EQ(ChunkRuleLength(0, 29, false), 38u * 512); // 20 + 9, then 9 more
    EXPECT_EQ(ChunkRuleLength(0, 40, false), 60u * 512); // 20 + 20, then 20 more
    EXPECT_EQ(ChunkRuleLength(0, 20000, false), 20020u * 512);
    // A document stops after the chunk that passes 5,242,880 bytes.
    EXPECT_EQ(ChunkRuleLength(0, 20000, true), 5253120u);
    EXPECT_EQ(ChunkRuleLength(0, 10245, true), 5242880u + 5 * 512);
    EXPECT_EQ(ChunkRuleLength(0, 10240, true), 5242880u + 20 * 512);
    EXPECT_EQ(ChunkRuleLength(5, 4, true), 0u);
}

TEST(RawSearch, FilesWithoutAReadableLengthFollowTheChunkRule) {
    auto image = randomSectors(3000, 4);
    // A document whose tables are garbage, its marker in its fourth sector.
    put(image, 0, headerOf(0));
    put(image, 3 * 512 + 100, endOf(0));
    // An archive of 30 sectors whose end record does not fit it.
    put(image, 100 * 512, headerOf(kZipEntry));
    put(image, 129 * 512 + 400, endOf(kZipEntry));
    // A PowerPoint file ended by an Excel marker, its stream name at 0x480.
    put(image, 400 * 512, headerOf(0));
    put(image, 400 * 512 + 0x480, endOf(3));
    put(image, 405 * 512, endOf(1));
    // An Excel 5.0 header 50 sectors before the end of the range.
    put(image, 2950 * 512, headerOf(kExcel5Entry));
    put(image, 2990 * 512, endOf(kExcel5Entry));
    test::MemorySource source(image);
    const auto run = search(source, {});
    ASSERT_EQ(run->events.written.size(), 4u);
    const auto& w = run->events.written;
    // The file at sector 0 is written too.
    EXPECT_EQ(w[0].name, "DOC1.DOC");
    EXPECT_EQ(w[0].bytes, 20u * 512);
    EXPECT_FALSE(w[0].ownLength);
    EXPECT_EQ(w[1].name, "ZIP2.ZIP");
    EXPECT_EQ(w[1].bytes, 38u * 512);
    EXPECT_TRUE(run->output.files.at("ZIP2.ZIP") ==
                std::vector<unsigned char>(image.begin() + 100 * 512, image.begin() + 138 * 512));
    EXPECT_EQ(w[2].name, "PPT3.PPT");
    EXPECT_EQ(w[2].kind, RawKind::PowerPoint);
    // 40 sectors then 20 more would pass the range's end: cut there.
    EXPECT_EQ(w[3].name, "XLS4.XLS");
    EXPECT_EQ(w[3].bytes, 50u * 512);
}

TEST(RawSearch, DamagedMediaGiveNoFileAndNoHang) {
    // Headers with nothing after them, end markers with no header, a header in the
    // last sector, and every sector a header.
    auto image = randomSectors(2000, 8);
    for (std::uint64_t s = 10; s < 1600; s += 7)
        put(image, s * 512, headerOf(s % 2 ? 0 : kZipEntry));
    for (std::uint64_t b = 1700 * 512; b < 1900 * 512; b += 300)
        put(image, b, endOf(static_cast<int>(b % 6)));
    put(image, 1999 * 512, headerOf(kZipEntry));
    test::MemorySource source(image);
    const auto run = search(source, {});
    EXPECT_EQ(run->result.end, RawSearchEnd::Finished);
    for (const auto& f : run->events.written)
        EXPECT_LE(f.startSector * 512 + f.bytes, image.size());
    // Every sector a compound header with its marker: each file is one sector apart.
    std::vector<unsigned char> dense(1700 * 512, 0);
    for (std::uint64_t s = 0; s < 1700; ++s) {
        put(dense, s * 512, headerOf(0));
        put(dense, s * 512 + 100, endOf(0));
    }
    test::MemorySource denseSource(dense);
    const auto many = search(denseSource, {});
    EXPECT_EQ(many->events.written.size(), 1700u);
    // A medium that vanishes ends the search.
    test::MemorySource vanishing(image);
    vanishing.readsBeforeLoss = 0;
    EXPECT_EQ(search(vanishing, {})->result.end, RawSearchEnd::MediumLost);
}

} // namespace
} // namespace qr::raw

namespace qr::raw {
namespace {

TEST(RawSearch, AMarkerAcrossTheBoundaryOfTwoReadsIsSeen) {
    // Reads hold ten windows of 800 sectors: sector 8000 starts the second read.
    auto image = randomSectors(9000, 6);
    put(image, 7990 * 512, test::headerOf(0));
    put(image, 8000 * 512 - 6, test::endOf(0));
    test::MemorySource source(image);
    const auto written = search(source, {})->events.written;
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].startSector, 7990u);
    EXPECT_EQ(written[0].bytes, 20u * 512); // ends in sector 7999: the short rule
}

TEST(RawSearch, AnOpenDocumentEndsInAWindowWithoutHeadersAndStrayEndsAreIgnored) {
    // An end marker in a window before any header, a document from sector 1000 whose
    // end lies two windows on, in a window no header starts.
    auto image = randomSectors(4000, 7);
    put(image, 300 * 512 + 17, test::endOf(0));
    put(image, 1000 * 512, test::headerOf(0));
    put(image, 2500 * 512 + 40, test::endOf(0));
    test::MemorySource source(image);
    const auto written = search(source, {})->events.written;
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].startSector, 1000u);
    EXPECT_EQ(written[0].bytes, ChunkRuleLength(1000, 2500, true));
}

} // namespace
} // namespace qr::raw
