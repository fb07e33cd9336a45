#include "setup/SystemFolders.h"

#include "platform/FileRegistryStore.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace qr::setup {

namespace {

namespace fs = std::filesystem;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string home() {
    std::string dir = environment("HOME");
    return dir.empty() ? "/tmp" : dir;
}

// An absolute XDG base from the environment, else the default under home.
std::string xdgBase(const char* variable, const char* fallback) {
    std::string dir = environment(variable);
    if (dir.empty() || dir[0] != '/')
        return home() + "/" + fallback;
    return dir;
}

std::string firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

} // namespace

std::string ProgramFilesFolder() {
    return ::geteuid() == 0 ? "/opt" : home() + "/.local/opt";
}

std::string ProgramsFolder() {
    return xdgBase("XDG_DATA_HOME", ".local/share") + "/applications";
}

std::string DesktopFromUserDirs(const std::string& text, const std::string& homeDir) {
    std::istringstream lines(text);
    std::string line;
    const std::string key = "XDG_DESKTOP_DIR=\"";
    while (std::getline(lines, line)) {
        if (!line.starts_with(key))
            continue;
        const std::size_t end = line.find('"', key.size());
        if (end == std::string::npos)
            return {};
        std::string dir = line.substr(key.size(), end - key.size());
        if (dir.starts_with("$HOME"))
            dir = homeDir + dir.substr(5);
        return dir.empty() || dir[0] != '/' ? std::string() : dir;
    }
    return {};
}

std::string DesktopFolder() {
    std::ifstream in(xdgBase("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
    std::stringstream text;
    text << in.rdbuf();
    std::string dir = DesktopFromUserDirs(text.str(), home());
    return dir.empty() ? home() + "/Desktop" : dir;
}

std::string InstallRegistryFile() {
    if (!environment(platform::kRegistryPathVariable).empty() || ::geteuid() != 0)
        return platform::defaultRegistryPath().string();
    const std::string machine = platform::machineRegistryPath().string();
    return machine.empty() ? platform::defaultRegistryPath().string() : machine;
}

std::string NearestExistingFolder(const std::string& path) {
    std::error_code ec;
    fs::path p = path.empty() ? fs::path(".") : fs::path(path);
    while (!fs::is_directory(p, ec)) {
        if (!p.has_relative_path() || p.parent_path() == p)
            return p.is_absolute() ? "/" : ".";
        p = p.parent_path();
        if (p.empty())
            return ".";
    }
    return p.string();
}

bool OnRemovableOrOpticalDrive(const std::string& path, const std::string& sysRoot) {
    struct stat st {};
    if (::stat(NearestExistingFolder(path).c_str(), &st) != 0)
        return false;
    const std::string id =
        std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
    std::error_code ec;
    // /sys/dev/block/M:m leads to the partition or the disk; a partition's disk is its
    // parent folder.
    fs::path dev = fs::canonical(fs::path(sysRoot) / "dev" / "block" / id, ec);
    if (ec)
        return false; // not a block device (tmpfs, overlay...): a fixed place
    if (fs::exists(dev / "partition", ec))
        dev = dev.parent_path();
    if (firstLine(dev / "removable") == "1")
        return true;
    // SCSI peripheral type 5 is a CD/DVD drive; sr* devices are always optical.
    return firstLine(dev / "device" / "type") == "5" || dev.filename().string().starts_with("sr");
}

std::optional<DriveSpace> SpaceOf(const std::string& path) {
    struct statvfs fs {};
    if (::statvfs(NearestExistingFolder(path).c_str(), &fs) != 0)
        return std::nullopt;
    const std::uint64_t unit = fs.f_frsize ? fs.f_frsize : fs.f_bsize;
    return DriveSpace{static_cast<std::uint64_t>(fs.f_blocks) * unit,
                      static_cast<std::uint64_t>(fs.f_bfree) * unit};
}

std::string MegabytesText(std::uint64_t bytes) {
    return std::to_string(bytes / 1048576) + " MB";
}

} // namespace qr::setup
