#pragma once
// The record an installation leaves beside its files ("Uninstall.dat") and the
// uninstall that removes exactly what it lists: the copied files, the shortcuts, the
// registry value (while it still names this folder) and the folders it made, when
// they are empty.
#include <optional>
#include <string>
#include <vector>

namespace qr::setup {

struct InstallManifest {
    std::string destination;
    std::string registryFile; // the store the value went to; empty: none recorded
    bool registryWritten = false;
    std::vector<std::string> folders;   // made by the installation, in creation order
    std::vector<std::string> files;     // copied into `destination`
    std::vector<std::string> shortcuts; // desktop entries written
};

std::string ManifestText(const InstallManifest& manifest);
// nullopt when the text is not a manifest.
std::optional<InstallManifest> ParseManifest(const std::string& text);

// Writes destination + "/Uninstall.dat".
bool WriteManifest(const InstallManifest& manifest);
std::optional<InstallManifest> ReadManifest(const std::string& installFolder);

struct UninstallResult {
    std::vector<std::string> removed;
    std::vector<std::string> kept; // listed but not removed (a folder not empty, ...)
    bool registryValueRemoved = false;
};

// Removes what the manifest in `installFolder` lists. Files are removed only inside
// the installation folder, shortcuts only under the installer's own names, and
// folders only on the way to those, whatever the manifest says, so a damaged manifest
// cannot make it remove anything else.
std::optional<UninstallResult> Uninstall(const std::string& installFolder);

} // namespace qr::setup
