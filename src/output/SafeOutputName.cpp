#include "output/SafeOutputName.h"

#include <unistd.h>

namespace qr::output {

namespace {

// Cuts UTF-8 text to at most `bytes` without splitting a character.
std::string cutUtf8(const std::string& text, std::size_t bytes) {
    if (text.size() <= bytes)
        return text;
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace

std::string SafeOutputName(const std::string& name, std::size_t maxBytes) {
    if (maxBytes < 8)
        maxBytes = 8;
    std::string safe;
    safe.reserve(name.size());
    for (char c : name)
        safe += (c == '/' || c == '\\' || c == '\0') ? '_' : c;
    if (safe.empty())
        return "unnamed";
    if (safe == "." || safe == "..")
        safe = "_" + safe;
    if (safe.size() <= maxBytes)
        return safe;
    const auto dot = safe.rfind('.');
    const std::string ext =
        (dot != std::string::npos && dot > 0 && safe.size() - dot <= maxBytes / 2)
            ? safe.substr(dot)
            : std::string{};
    std::string stem = cutUtf8(safe.substr(0, safe.size() - ext.size()), maxBytes - ext.size());
    if (stem.empty())
        stem = "_";
    return stem + ext;
}

std::size_t NameMaxOf(const std::string& folder) {
    const long max = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return max > 0 ? static_cast<std::size_t>(max) : kDefaultNameMax;
}

} // namespace qr::output
