#include "setup/InstallerFiles.h"

namespace qr::setup {

std::string ProductFolder(const std::string& basePath) {
    if (basePath.ends_with(kProductFolder))
        return basePath;
    if (basePath.empty() || basePath.ends_with('/'))
        return basePath + kProductFolder;
    return basePath + "/" + kProductFolder;
}

std::string DestinationFolder(const std::string& basePath) {
    return ProductFolder(basePath) + "/" + kEditionFolder;
}

std::string GroupFolder(const std::string& programsFolder) {
    return programsFolder + "/" + kGroupProductFolder + "/" + kEditionFolder;
}

} // namespace qr::setup
