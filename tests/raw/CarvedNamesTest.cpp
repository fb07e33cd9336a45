// Names by metadata and folders by kind: a photo made by cjpeg and tagged by exiftool is
// named after its DateTimeOriginal (a second one with the same moment gets " (2)"), a
// PDF after its /Title, a HEIF picture after the moment in its Exif item, Office Open
// and OpenDocument files after their dc:title, and files without either keep their
// running-number names.
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

// The names a metadata-named search of `kinds` gives the files placed one behind the
// other, in the order found.
std::vector<std::string> metadataNames(const std::vector<const test::SampleMedia*>& files,
                                       const RawKindSet& kinds, MemoryOutput* output = nullptr) {
    Bytes image(4096, 0);
    for (const auto* f : files)
        place(image, f->bytes);
    image.resize(image.size() + 64 * 512, 0);
    RawSearchOptions options;
    options.kinds = kinds;
    options.naming.metadata = true;
    test::MemorySource source(image);
    auto run = search(source, options);
    std::vector<std::string> names;
    for (const CarvedFile& f : run->events.written)
        names.push_back(f.name);
    if (output)
        *output = std::move(run->output);
    return names;
}

TEST(CarvedNames, HeifPicturesByTheMomentInTheirExifItem) {
    const auto* tagged = find(test::sampleMedia(), "photo_exif.heic");
    const auto* plain = find(test::sampleMedia(), "photo.heic");
    if (!tagged || !plain)
        GTEST_SKIP() << "heif-enc (libheif-examples) is not installed";
    RawKindSet heic{};
    heic[static_cast<std::size_t>(RawKind::Heic)] = true;
    EXPECT_EQ(metadataNames({tagged, plain}, heic),
              (std::vector<std::string>{"2024-05-01 10-00-00.heic", "HEIC2.HEIC"}));
}

TEST(CarvedNames, OfficeAndOpenDocumentFilesByTheirDublinCoreTitle) {
    const auto& office = test::sampleOfficeFiles();
    const auto* docx = find(office, "titled.docx");
    const auto* odt = find(office, "titled.odt");
    const auto* untitled = find(office, "letter.docx");
    if (!docx || !odt || !untitled)
        GTEST_SKIP() << "zip or python3 is not installed";
    RawKindSet every;
    every.fill(true);
    MemoryOutput output;
    EXPECT_EQ(metadataNames({docx, odt, untitled, docx}, every, &output),
              (std::vector<std::string>{"Quarterly & Annual.docx", "Field Notes.odt", "DOCX3.DOCX",
                                        "Quarterly & Annual (2).docx"}));
    EXPECT_TRUE(output.files["Field Notes.odt"] == odt->bytes);
}

} // namespace
} // namespace qr::raw
