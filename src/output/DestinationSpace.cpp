#include "output/DestinationSpace.h"

#include <filesystem>

#include <sys/statvfs.h>

namespace qr::output {

namespace {

constexpr std::uint64_t kMegabyte = 1024 * 1024;

} // namespace

std::optional<std::uint64_t> FreeBytesAt(const std::string& destination) {
    namespace fs = std::filesystem;
    // The destination folder may not exist yet: its nearest existing parent tells the
    // file system it will be made on.
    fs::path at = destination.empty() ? fs::path(".") : fs::path(destination);
    std::error_code ec;
    while (!fs::exists(at, ec) && at.has_parent_path() && at != at.parent_path())
        at = at.parent_path();
    struct statvfs fsInfo {};
    if (::statvfs(at.c_str(), &fsInfo) != 0)
        return std::nullopt;
    return std::uint64_t{fsInfo.f_bavail} * std::uint64_t{fsInfo.f_frsize};
}

std::string SpaceShortageText(std::uint64_t needed, std::uint64_t free) {
    if (needed <= free)
        return {};
    // Needed rounds up and free rounds down, so the figures never hide the shortage.
    const std::uint64_t neededMb = needed / kMegabyte + (needed % kMegabyte ? 1 : 0);
    return "not enough space on the destination: " + std::to_string(neededMb) + " MB needed, " +
           std::to_string(free / kMegabyte) + " MB free";
}

std::string SpaceShortage(const std::string& destination, std::uint64_t needed) {
    const std::optional<std::uint64_t> free = FreeBytesAt(destination);
    return free ? SpaceShortageText(needed, *free) : std::string{};
}

} // namespace qr::output
