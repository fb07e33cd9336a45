#include "output/SafeOutputName.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace qr::output {

std::string CutUtf8(const std::string& text, std::size_t bytes) {
    if (text.size() <= bytes)
        return text;
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

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
    std::string stem = CutUtf8(safe.substr(0, safe.size() - ext.size()), maxBytes - ext.size());
    if (stem.empty())
        stem = "_";
    return stem + ext;
}

std::size_t NameMaxOf(const std::string& folder) {
    const long max = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return max > 0 ? static_cast<std::size_t>(max) : kDefaultNameMax;
}

bool FolderTakesColons(const std::string& folder) {
    const std::string probe = folder + "/.colon:probe-" + std::to_string(::getpid());
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == EEXIST;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

std::string DestinationNames::nameFor(const std::string& recovered) {
    std::string name = SafeOutputName(recovered, nameMax_);
    if (name.find_first_of(kWindowsReservedCharacters) == std::string::npos)
        return name;
    if (takesColons_ < 0)
        takesColons_ = FolderTakesColons(destination_) ? 1 : 0;
    if (takesColons_ == 0)
        for (char& c : name)
            if (std::string_view(kWindowsReservedCharacters).find(c) != std::string_view::npos)
                c = '_';
    return name;
}

} // namespace qr::output
