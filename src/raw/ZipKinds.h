#pragma once
// What a Zip archive holds, for the rows that refine the Zip kind: an Office Open file
// (its central directory names "[Content_Types].xml" with the main part's folder,
// "word/", "xl/" or "ppt/") or an OpenDocument file (its first entry is "mimetype",
// stored, holding "application/vnd.oasis.opendocument.text", "...spreadsheet" or
// "...presentation"). Each validator takes the archive of `bytes` bytes at offset 0.
#include "raw/MediaLength.h"

#include <string_view>

namespace qr::raw {

std::optional<std::string_view> WordOpenXml(const FileBytesReader& read, std::uint64_t bytes);
std::optional<std::string_view> ExcelOpenXml(const FileBytesReader& read, std::uint64_t bytes);
std::optional<std::string_view> PowerPointOpenXml(const FileBytesReader& read, std::uint64_t bytes);
std::optional<std::string_view> OpenDocumentText(const FileBytesReader& read, std::uint64_t bytes);
std::optional<std::string_view> OpenDocumentSheet(const FileBytesReader& read, std::uint64_t bytes);
std::optional<std::string_view> OpenDocumentSlides(const FileBytesReader& read,
                                                   std::uint64_t bytes);

} // namespace qr::raw
