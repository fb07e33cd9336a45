// Office Open, OpenDocument and PDF files made with zip and poppler, found in filler at
// cluster boundaries: each is written byte for byte under the kind its content names
// (the Zip kinds only when ticked; otherwise the archive stays a Zip file), and a PDF
// ends at its last valid "%%EOF".
#include "RawSearchRun.h"
#include "RawTestMedia.h"
#include "raw/PdfTrailer.h"
#include "support/MemorySource.h"

#include <gtest/gtest.h>

namespace qr::raw {
namespace {

using Bytes = std::vector<unsigned char>;
using test::randomSectors;

struct Placed {
    const test::SampleMedia* file;
    std::uint64_t sector;
};

Bytes imageOf(std::vector<Placed>& placed) {
    Bytes image = randomSectors(40, 1);
    unsigned seed = 20;
    for (const auto& f : test::sampleOfficeFiles()) {
        placed.push_back({&f, image.size() / 512});
        image.insert(image.end(), f.bytes.begin(), f.bytes.end());
        image.resize((image.size() + 4095) / 4096 * 4096, 0);
        ++seed;
        const auto gap = randomSectors(8 * (1 + seed % 3), seed);
        image.insert(image.end(), gap.begin(), gap.end());
    }
    const auto tail = randomSectors(900, 3);
    image.insert(image.end(), tail.begin(), tail.end());
    return image;
}

class OfficeImage : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::sampleOfficeFiles().empty())
            GTEST_SKIP() << "zip, python3 or pdfunite (poppler-utils) is not installed";
    }
};

TEST_F(OfficeImage, EachFileIsWrittenWholeUnderTheKindItsContentNames) {
    std::vector<Placed> placed;
    test::MemorySource source(imageOf(placed));
    RawSearchOptions options;
    options.kinds.fill(true);
    const auto run = search(source, options);
    ASSERT_EQ(run->events.written.size(), placed.size());
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const CarvedFile& file = run->events.written[i];
        SCOPED_TRACE(placed[i].file->name);
        EXPECT_EQ(InfoOf(file.kind).option, placed[i].file->kind);
        EXPECT_EQ(file.startSector, placed[i].sector);
        EXPECT_TRUE(file.name.starts_with(InfoOf(file.kind).prefix));
        EXPECT_TRUE(file.name.ends_with(placed[i].file->extension)) << file.name;
        EXPECT_TRUE(run->output.files[file.name] == placed[i].file->bytes)
            << run->output.files[file.name].size() << " of " << placed[i].file->bytes.size();
    }
}

TEST_F(OfficeImage, WithOnlyZipTickedTheyAreZipArchivesAndThePdfsAreLeft) {
    std::vector<Placed> placed;
    test::MemorySource source(imageOf(placed));
    RawSearchOptions options;
    options.kinds = {};
    options.kinds[static_cast<std::size_t>(RawKind::Zip)] = true;
    const auto run = search(source, options);
    std::size_t archives = 0;
    for (const Placed& p : placed)
        archives += p.file->kind != "pdf";
    ASSERT_EQ(run->events.written.size(), archives);
    for (const CarvedFile& file : run->events.written) {
        EXPECT_EQ(file.kind, RawKind::Zip);
        EXPECT_TRUE(file.name.starts_with("ZIP") && file.name.ends_with(".ZIP")) << file.name;
    }
}

const test::SampleMedia& named(const std::string& name) {
    for (const auto& f : test::sampleOfficeFiles())
        if (f.name == name)
            return f;
    throw std::runtime_error(name);
}

std::optional<MediaLength> pdfLength(const Bytes& bytes) {
    return PdfLength(
        [&](std::uint64_t offset, std::uint32_t length, unsigned char* out) {
            if (offset > bytes.size() || length > bytes.size() - offset)
                return false;
            std::memcpy(out, bytes.data() + offset, length);
            return true;
        },
        bytes.size());
}

TEST_F(OfficeImage, APdfEndsAtItsLastEndThatAValidCrossReferencePrecedes) {
    const Bytes& report = named("report.pdf").bytes;
    const Bytes& updated = named("updated.pdf").bytes;
    Bytes behind = updated;
    const Bytes filler = randomSectors(4, 9);
    behind.insert(behind.end(), filler.begin(), filler.end());
    EXPECT_EQ(pdfLength(behind)->bytes, updated.size()) << "the incremental update belongs to it";

    // An update whose startxref names no cross-reference: the document ends before it.
    Bytes bad = updated;
    const std::string_view tail(reinterpret_cast<const char*>(bad.data()), bad.size());
    const std::size_t at = tail.rfind("startxref") + 10;
    bad[at] = bad[at] == '1' ? '2' : '1';
    bad.insert(bad.end(), filler.begin(), filler.end());
    EXPECT_EQ(pdfLength(bad)->bytes, report.size());

    // Slack behind the end that starts with a digit, and another copy of the same
    // document further on, whose trailer names the same offset: the first copy ends at
    // its own end.
    for (const unsigned char slack : {'7', '%'}) {
        Bytes twice = report;
        twice.push_back(slack);
        twice.insert(twice.end(), filler.begin(), filler.end());
        twice.insert(twice.end(), report.begin(), report.end());
        EXPECT_EQ(pdfLength(twice)->bytes, report.size()) << slack;
    }

    // Cut before its first end, or followed by zeros for ever: none.
    const Bytes cut(report.begin(), report.end() - 40);
    EXPECT_FALSE(pdfLength(cut));
    Bytes zeros(report.begin(), report.begin() + 600);
    zeros.resize(zeros.size() + (4u << 20), 0);
    EXPECT_FALSE(pdfLength(zeros));
}

} // namespace
} // namespace qr::raw
