#include "raw/ZipKinds.h"

#include "raw/ZipDirectory.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace qr::raw {

namespace {

constexpr std::uint32_t kLocalHead = 30;
constexpr std::string_view kContentTypes = "[Content_Types].xml";
constexpr std::string_view kOpenDocument = "application/vnd.oasis.opendocument.";

// The entry names of the central directory.
std::vector<std::string> entryNames(const FileBytesReader& read, std::uint64_t bytes) {
    std::vector<std::string> names;
    for (ZipEntry& entry : ZipCentralEntries(read, bytes))
        names.push_back(std::move(entry.name));
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
