// What the preview reads: at most its limit, nothing more once the selection moved on,
// and the text test that tells a text file's beginning from binary bytes.
#include "output/PreviewRead.h"

#include <gtest/gtest.h>

namespace qr::output {
namespace {

// An engine whose files are `size` bytes of 'x', written 1 MiB at a time.
class BytesEngine final : public volume::VolumeEngine {
public:
    volume::FileSystemKind kind() const override { return volume::FileSystemKind::Fat32; }
    std::uint32_t rootKey() const override { return 0; }
    void listFiles(std::uint32_t, bool,
                   const std::function<bool(const volume::FolderFile&)>&) override {}
    volume::ExtractReport extract(const volume::FolderFile& file, volume::FileSink& sink,
                                  const volume::ExtractOptions&) override {
        volume::ExtractReport report;
        const std::vector<unsigned char> chunk(1 << 20, 'x');
        while (report.bytesWritten < file.size) {
            if (sink.interrupted()) {
                report.end = volume::ExtractEnd::Interrupted;
                return report;
            }
            const auto n = std::min<std::uint64_t>(chunk.size(), file.size - report.bytesWritten);
            sink.write(disk::ByteView(chunk.data(), static_cast<std::size_t>(n)));
            report.bytesWritten += n;
            ++chunks;
        }
        return report;
    }
    std::string formatDate(const volume::EntryTimestamp&) const override { return {}; }
    std::string formatTime(const volume::EntryTimestamp&) const override { return {}; }
    int chunks = 0;
};

TEST(PreviewRead, ReadsAtMostTheLimitAndNothingOnceStopped) {
    BytesEngine engine;
    volume::FolderFile huge;
    huge.name = "big.jpg";
    huge.size = 4ull << 30; // a damaged entry's 4 GiB
    const PreviewBytes read = ReadForPreview(engine, huge, kPreviewPictureBytes, {});
    EXPECT_EQ(read.bytes.size(), kPreviewPictureBytes);
    EXPECT_LE(engine.chunks, 33); // the read ended at the limit
    EXPECT_FALSE(read.stopped);

    std::stop_source moved;
    moved.request_stop();
    engine.chunks = 0;
    const PreviewBytes dropped =
        ReadForPreview(engine, huge, kPreviewPictureBytes, moved.get_token());
    EXPECT_TRUE(dropped.stopped);
    EXPECT_EQ(engine.chunks, 0);

    volume::FolderFile small;
    small.size = 100;
    EXPECT_EQ(ReadForPreview(engine, small, kPreviewTextBytes, {}).bytes.size(), 100u);
}

TEST(PreviewRead, TextStartRefusesBinaryBytesAndStopsAfterItsLines) {
    std::string text;
    const std::string notes = "line one\r\n\tline two\nÜmlaut\n";
    EXPECT_TRUE(TextStart(
        disk::ByteView(reinterpret_cast<const unsigned char*>(notes.data()), notes.size()), text));
    EXPECT_EQ(text, notes);
    const std::string elf("\x7f"
                          "ELF\x02\x01\x01\0\0\0",
                          10);
    EXPECT_FALSE(TextStart(
        disk::ByteView(reinterpret_cast<const unsigned char*>(elf.data()), elf.size()), text));
    std::string many;
    for (int i = 0; i < 500; ++i)
        many += "row\n";
    EXPECT_TRUE(
        TextStart(disk::ByteView(reinterpret_cast<const unsigned char*>(many.data()), many.size()),
                  text, 10));
    EXPECT_EQ(text.size(), 40u);
}

TEST(PreviewRead, KindsByExtension) {
    EXPECT_EQ(PreviewKindOf("IMG_0001.JPG"), PreviewKind::Picture);
    EXPECT_EQ(PreviewKindOf("scan.TIFF"), PreviewKind::Picture);
    EXPECT_EQ(PreviewKindOf("photo.webp"), PreviewKind::Picture);
    EXPECT_EQ(PreviewKindOf("notes.txt"), PreviewKind::Text);
    EXPECT_EQ(PreviewKindOf("letter.doc"), PreviewKind::None);
    EXPECT_EQ(PreviewKindOf("README"), PreviewKind::None);
}

} // namespace
} // namespace qr::output
