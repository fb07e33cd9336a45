#include "setup/InstallerFiles.h"

#include <filesystem>

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

std::string SourceFolder(const std::string& current, const std::string& ownFolder) {
    std::error_code ec;
    auto holdsProgram = [&](const std::string& folder) {
        return !folder.empty() &&
               std::filesystem::is_regular_file(folder + "/" + kInstalledFiles[kProgramFile], ec);
    };
    return !holdsProgram(current) && holdsProgram(ownFolder) ? ownFolder : current;
}

std::string GroupFolder(const std::string& programsFolder) {
    return programsFolder + "/" + kGroupProductFolder + "/" + kEditionFolder;
}

} // namespace qr::setup
