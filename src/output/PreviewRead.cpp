#include "output/PreviewRead.h"

#include "volume/FileExtension.h"

#include <algorithm>

namespace qr::output {

namespace {

// Keeps what the engine writes up to the limit, then asks it to end the file.
class MemorySink final : public volume::FileSink {
public:
    MemorySink(std::size_t limit, std::stop_token stop) : limit_(limit), stop_(std::move(stop)) {}
    bool write(disk::ByteView bytes) override {
        const std::size_t room = limit_ - std::min(limit_, bytes_.size());
        const std::size_t take = std::min(room, bytes.size());
        bytes_.insert(bytes_.end(), bytes.data(), bytes.data() + take);
        return true;
    }
    bool interrupted() override { return stop_.stop_requested() || bytes_.size() >= limit_; }
    void unreadable(std::uint64_t, std::uint64_t) override {}
    std::vector<unsigned char> take() { return std::move(bytes_); }

private:
    std::size_t limit_;
    std::stop_token stop_;
    std::vector<unsigned char> bytes_;
};

} // namespace

PreviewKind PreviewKindOf(std::string_view name) {
    const std::string extension = volume::LowerExtension(name);
    for (const char* picture : {"jpg", "jpeg", "jpe", "png", "gif", "bmp", "tif", "tiff", "webp"})
        if (extension == picture)
            return PreviewKind::Picture;
    for (const char* text : {"txt", "log", "csv", "ini", "xml", "htm", "html", "json", "md", "cfg",
                             "conf", "bat", "sh", "c", "h", "cpp", "py", "srt"})
        if (extension == text)
            return PreviewKind::Text;
    return PreviewKind::None;
}

PreviewBytes ReadForPreview(volume::VolumeEngine& engine, const volume::FolderFile& file,
                            std::size_t limit, std::stop_token stop) {
    PreviewBytes out;
    MemorySink sink(limit, stop);
    // The whole size goes to the engine (exFAT finds a file's entry by it); the sink
    // ends the file once it holds `limit` bytes.
    out.report = engine.extract(file, sink, {});
    out.bytes = sink.take();
    out.stopped = stop.stop_requested();
    return out;
}

bool TextStart(disk::ByteView bytes, std::string& text, std::size_t maxLines) {
    text.clear();
    std::size_t lines = 0;
    for (std::size_t i = 0; i < bytes.size() && lines < maxLines; ++i) {
        const unsigned char c = bytes.data()[i];
        // NUL and the other C0 controls but tab, line feed, form feed and carriage return
        // are not in text files.
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f')
            return false;
        if (c == '\n')
            ++lines;
        text.push_back(static_cast<char>(c));
    }
    return true;
}

} // namespace qr::output
