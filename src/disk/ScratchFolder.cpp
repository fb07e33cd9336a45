#include "disk/ScratchFolder.h"

#include <cstdlib>

namespace qr::disk {

ScratchFolder::ScratchFolder() {
    std::error_code ec;
    std::string pattern =
        (std::filesystem::temp_directory_path(ec) / "quarrixdale-scratch-XXXXXX").string();
    if (!ec && ::mkdtemp(pattern.data()))
        path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    if (!path_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
}

ScratchFolderEnvironment::ScratchFolderEnvironment(const std::filesystem::path& folder) {
    if (const char* old = std::getenv(kScratchFolderVariable)) {
        had_ = true;
        previous_ = old;
    }
    ::setenv(kScratchFolderVariable, folder.c_str(), 1);
}

ScratchFolderEnvironment::~ScratchFolderEnvironment() {
    if (had_)
        ::setenv(kScratchFolderVariable, previous_.c_str(), 1);
    else
        ::unsetenv(kScratchFolderVariable);
}

} // namespace qr::disk
