#pragma once
// The installation run: folders, the registry value, the copies, the shortcuts,
// the record for the uninstaller, the closing sweep and the removal of the sources.
#include "platform/RegistryStore.h"
#include "platform/UserMessages.h"
#include "setup/DesktopEntry.h"
#include "setup/InstallerFiles.h"

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace qr::setup {

struct InstallRequest {
    std::string sourceFolder; // where the files to install are (the installer's current folder)
    std::string basePath;     // the folder under which the product folder is made
    std::string programsFolder;
    std::string desktopFolder;
    platform::RegistryStore* registry = nullptr;
    std::string registryFile; // the store's file, for the uninstaller (may be empty)
    platform::UserMessages* messages = nullptr;
    std::function<void(int percent)> progress;
    // Called for each pause between steps (the classic 200 ms waits); tests pass none.
    std::function<void(std::chrono::milliseconds)> pause;
};

struct InstallResult {
    std::string destination;                      // absolute, without a trailing slash
    std::array<bool, kFileCount> copied{};        // per file of the file set
    std::array<bool, kFileCount> sourceRemoved{}; // per file of the file set
    std::vector<std::string> madeFolders;         // in creation order
    std::vector<std::string> shortcuts;           // entries written
    bool registryWritten = false;
};

InstallResult Install(const InstallRequest& request);

// The four shortcuts of an installation into `destination`.
std::vector<Shortcut> ShortcutsFor(const std::string& destination,
                                   const std::string& programsFolder,
                                   const std::string& desktopFolder);

} // namespace qr::setup
