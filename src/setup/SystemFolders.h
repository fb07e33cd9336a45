#pragma once
// The installer's view of this machine: the program-files folder, the user's menu and
// Desktop folders (XDG), the kind of drive a folder lies on and its space figures.
#include <cstdint>
#include <optional>
#include <string>

namespace qr::setup {

// Where programs go: /opt for root, ~/.local/opt for anyone else.
std::string ProgramFilesFolder();
// $XDG_DATA_HOME/applications (default ~/.local/share/applications): the menu.
std::string ProgramsFolder();
// XDG_DESKTOP_DIR from $XDG_CONFIG_HOME/user-dirs.dirs, else ~/Desktop.
std::string DesktopFolder();

// Reads XDG_DESKTOP_DIR="..." from a user-dirs.dirs text ($HOME expanded); empty
// when the text does not name it.
std::string DesktopFromUserDirs(const std::string& text, const std::string& home);

// True when the nearest existing folder of `path` lies on a removable drive or an
// optical disc, as sysfs tells (`sysRoot` is /sys in use, a fake tree in tests).
bool OnRemovableOrOpticalDrive(const std::string& path, const std::string& sysRoot = "/sys");

struct DriveSpace {
    std::uint64_t totalBytes = 0;
    std::uint64_t freeBytes = 0;
};
// The file system holding the nearest existing folder of `path`; nullopt when none.
std::optional<DriveSpace> SpaceOf(const std::string& path);
// Bytes as whole mebibytes with " MB".
std::string MegabytesText(std::uint64_t bytes);

// The registry store the installer writes to: $QUARRIXDALE_REGISTRY when set, else
// the machine-wide store for root (every user's program reads it), else the user's.
std::string InstallRegistryFile();

// The nearest folder of `path` that exists ("." for a relative path with none).
std::string NearestExistingFolder(const std::string& path);

} // namespace qr::setup
