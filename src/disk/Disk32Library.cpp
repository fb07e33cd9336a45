#include "disk/Disk32Library.h"

#include <dlfcn.h>
#include <filesystem>

namespace qr::disk {

Disk32Library::~Disk32Library() {
    release();
}

Disk32Load Disk32Library::load(const std::string& folder) {
    if (function_)
        return Disk32Load::Loaded;
    if (!handle_ && !folder.empty()) {
        std::error_code ec;
        const std::filesystem::path own = std::filesystem::path(folder) / kDisk32File;
        if (std::filesystem::is_regular_file(own, ec))
            handle_ = ::dlopen(own.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (!handle_)
        handle_ = ::dlopen(kDisk32File.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_)
        return Disk32Load::LibraryMissing;
    function_ = reinterpret_cast<ReadDisk32Function>(::dlsym(handle_, kReadDisk32Symbol.c_str()));
    if (!function_) {
        release(); // looked up afresh by the next attempt
        return Disk32Load::FunctionMissing;
    }
    return Disk32Load::Loaded;
}

std::uint32_t Disk32Library::read(std::uint32_t unit, std::uint32_t count, void* buffer,
                                  std::uint32_t startLow) const {
    return function_ ? function_(unit, 0, 0, 1, count, buffer, startLow, 1) : 0;
}

void Disk32Library::release() {
    function_ = nullptr;
    if (handle_)
        ::dlclose(handle_);
    handle_ = nullptr;
}

std::uint32_t BiosUnitOf(const std::string& deviceName) {
    constexpr std::size_t kDigit = 17;
    if (deviceName.size() <= kDigit || deviceName[kDigit] < '0' || deviceName[kDigit] > '9')
        return 0;
    return kFirstBiosUnit + static_cast<std::uint32_t>(deviceName[kDigit] - '0');
}

} // namespace qr::disk
