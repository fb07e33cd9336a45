// Names by metadata and folders by kind: a photo made by cjpeg and tagged by exiftool is
// named after its DateTimeOriginal (a second one with the same moment gets " (2)"), a
// PDF after its /Title, and files without either keep their running-number names.
#include "RawSearchRun.h"
#include "RawTestMedia.h"
#include "support/MemorySource.h"

#include <gtest/gtest.h>

namespace qr::raw {
namespace {

using Bytes = std::vector<unsigned char>;

const test::SampleMedia* find(const std::vector<test::SampleMedia>& all, const std::string& name) {
    for (const auto& m : all)
        if (m.name == name)
            return &m;
    return nullptr;
}

void place(Bytes& image, const Bytes& file) {
    image.insert(image.end(), file.begin(), file.end());
    image.resize((image.size() + 4095) / 4096 * 4096, 0);
}

TEST(CarvedNames, PhotosByTheirMomentDocumentsByTheirTitleTheRestByNumber) {
    const auto* photo = find(test::sampleMedia(), "photo_exif.jpg");
    const auto* plain = find(test::sampleMedia(), "plain_restart.jpg");
    const auto* titled = find(test::sampleOfficeFiles(), "updated.pdf");
    const auto* untitled = find(test::sampleOfficeFiles(), "report.pdf");
    if (!photo || !plain || !titled || !untitled)
        GTEST_SKIP() << "ffmpeg, cjpeg, exiftool, zip or pdfunite is not installed";
    Bytes image(4096, 0);
    for (const auto* f : {photo, plain, photo, titled, untitled})
        place(image, f->bytes);
    image.resize(image.size() + 64 * 512, 0);

    RawSearchOptions options;
    options.kinds = {};
    options.kinds[static_cast<std::size_t>(RawKind::Jpeg)] = true;
    options.kinds[static_cast<std::size_t>(RawKind::Pdf)] = true;
    options.naming.metadata = true;
    test::MemorySource source(image);
    auto run = search(source, options);
    std::vector<std::string> names;
    for (const CarvedFile& f : run->events.written)
        names.push_back(f.name);
    EXPECT_EQ(names,
              (std::vector<std::string>{"2024-05-01 10-00-00.jpg", "JPG2.JPG",
                                        "2024-05-01 10-00-00 (2).jpg", "Updated.pdf", "PDF5.PDF"}));
    EXPECT_TRUE(run->output.files["2024-05-01 10-00-00 (2).jpg"] == photo->bytes);

    // Sorted by kind, without metadata names: the numbered names in their kinds' folders.
    options.naming = {false, true};
    run = search(source, options);
    ASSERT_EQ(run->events.written.size(), 5u);
    EXPECT_EQ(run->events.written[0].name, "JPG/JPG1.JPG");
    EXPECT_EQ(run->events.written[4].name, "PDF/PDF5.PDF");
}

} // namespace
} // namespace qr::raw
