#include "raw/CarvedNames.h"

#include "raw/FileMetadata.h"

#include <algorithm>
#include <cctype>

namespace qr::raw {

namespace {

constexpr unsigned kMaxClashes = 100000;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::string KindFolder(RawKind kind) {
    std::string folder(InfoOf(kind).option);
    std::transform(folder.begin(), folder.end(), folder.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return folder;
}

std::string CarvedNames::unique(const std::string& folder, const std::string& stem,
                                const std::string& extension) {
    for (unsigned n = 1; n < kMaxClashes; ++n) {
        const std::string name =
            folder + stem + (n == 1 ? "" : " (" + std::to_string(n) + ")") + extension;
        if (given_.insert(lower(name)).second)
            return name;
    }
    return {};
}

std::string CarvedNames::name(RawKind kind, std::uint64_t number, std::string_view extension,
                              const FileBytesReader& read, std::uint64_t bytes) {
    const std::string folder = naming_.byKind ? KindFolder(kind) + "/" : std::string();
    const std::string numbered = folder + CarvedFileName(kind, number, extension);
    if (!naming_.metadata)
        return numbered;
    auto stem = PhotoTakenAt(kind, read, bytes);
    if (!stem)
        stem = DocumentTitle(kind, read, bytes);
    if (!stem)
        return numbered;
    const std::string found = unique(
        folder, *stem, lower(std::string(extension.empty() ? InfoOf(kind).extension : extension)));
    return found.empty() ? numbered : found;
}

} // namespace qr::raw
