#include "raw/ZipKinds.h"

#include "raw/ZipRecords.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace qr::raw {

namespace {

constexpr std::uint32_t kMaxComment = 65535;
constexpr std::uint64_t kMaxCentralBytes = 8u << 20;
constexpr std::uint32_t kCentralHead = 46;
constexpr std::uint32_t kLocalHead = 30;
constexpr std::string_view kContentTypes = "[Content_Types].xml";
constexpr std::string_view kOpenDocument = "application/vnd.oasis.opendocument.";

// The end record of the archive: the one whose comment runs to its last byte.
std::optional<ZipEndRecord> endRecord(const FileBytesReader& read, std::uint64_t bytes) {
    const std::uint64_t tail = std::min<std::uint64_t>(bytes, kZipEndRecordBytes + kMaxComment);
    if (tail < kZipEndRecordBytes)
        return std::nullopt;
    std::vector<unsigned char> last(static_cast<std::size_t>(tail));
    if (!read(bytes - tail, static_cast<std::uint32_t>(tail), last.data()))
        return std::nullopt;
    for (std::size_t at = last.size() - kZipEndRecordBytes + 1; at-- > 0;) {
        ZipEndRecord record;
        if (last[at] == 'P' &&
            DecodeZipEndRecord(disk::ByteView(last.data() + at, last.size() - at), record) &&
            at + kZipEndRecordBytes + record.commentLength == last.size())
            return record;
    }
    return std::nullopt;
}

// The entry names of the central directory (an archive that needs Zip64 gives none).
std::vector<std::string> entryNames(const FileBytesReader& read, std::uint64_t bytes) {
    std::vector<std::string> names;
    const auto record = endRecord(read, bytes);
    if (!record || record->needsZip64 || record->centralSize > kMaxCentralBytes ||
        record->centralOffset > bytes || record->centralSize > bytes - record->centralOffset)
        return names;
    std::vector<unsigned char> central(static_cast<std::size_t>(record->centralSize));
    if (!read(record->centralOffset, static_cast<std::uint32_t>(central.size()), central.data()))
        return names;
    const disk::ByteView view(central.data(), central.size());
    for (std::size_t at = 0; view.has(at, kCentralHead) && view.matches(at, "PK\x01\x02");) {
        const std::size_t name = view.u16(at + 28);
        const std::size_t rest = std::size_t{view.u16(at + 30)} + view.u16(at + 32);
        if (!view.has(at + kCentralHead, name + rest))
            break;
        names.emplace_back(reinterpret_cast<const char*>(central.data() + at + kCentralHead), name);
        at += kCentralHead + name + rest;
    }
    return names;
}

std::optional<std::string_view> openXml(const FileBytesReader& read, std::uint64_t bytes,
                                        std::string_view folder, std::string_view extension) {
    const std::vector<std::string> names = entryNames(read, bytes);
    const auto has = [&](auto test) { return std::any_of(names.begin(), names.end(), test); };
    if (has([](const std::string& n) { return n == kContentTypes; }) &&
        has([&](const std::string& n) { return n.starts_with(folder); }))
        return extension;
    return std::nullopt;
}

// The OpenDocument kind its stored first entry "mimetype" names ("text", ...).
std::optional<std::string_view> openDocument(const FileBytesReader& read, std::uint64_t bytes,
                                             std::string_view kind, std::string_view extension) {
    unsigned char local[256] = {};
    if (bytes < sizeof local || !read(0, sizeof local, local))
        return std::nullopt;
    const disk::ByteView view(local, sizeof local);
    const std::uint16_t nameBytes = view.u16(26);
    const std::size_t dataAt = kLocalHead + 8 + std::size_t{view.u16(28)};
    const std::uint32_t dataBytes = view.u32(18);
    if (view.u16(8) != 0 || nameBytes != 8 || !view.matches(kLocalHead, "mimetype") ||
        dataBytes != kOpenDocument.size() + kind.size() || !view.has(dataAt, dataBytes))
        return std::nullopt;
    const std::string_view data(reinterpret_cast<const char*>(local + dataAt), dataBytes);
    if (data.starts_with(kOpenDocument) && data.substr(kOpenDocument.size()) == kind)
        return extension;
    return std::nullopt;
}

} // namespace

std::optional<std::string_view> WordOpenXml(const FileBytesReader& read, std::uint64_t bytes) {
    return openXml(read, bytes, "word/", ".DOCX");
}

std::optional<std::string_view> ExcelOpenXml(const FileBytesReader& read, std::uint64_t bytes) {
    return openXml(read, bytes, "xl/", ".XLSX");
}

std::optional<std::string_view> PowerPointOpenXml(const FileBytesReader& read,
                                                  std::uint64_t bytes) {
    return openXml(read, bytes, "ppt/", ".PPTX");
}

std::optional<std::string_view> OpenDocumentText(const FileBytesReader& read, std::uint64_t bytes) {
    return openDocument(read, bytes, "text", ".ODT");
}

std::optional<std::string_view> OpenDocumentSheet(const FileBytesReader& read,
                                                  std::uint64_t bytes) {
    return openDocument(read, bytes, "spreadsheet", ".ODS");
}

std::optional<std::string_view> OpenDocumentSlides(const FileBytesReader& read,
                                                   std::uint64_t bytes) {
    return openDocument(read, bytes, "presentation", ".ODP");
}

} // namespace qr::raw
