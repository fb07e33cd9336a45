// Uninstall: removes what the installer made in this program's folder (the files,
// the shortcuts, the registry value and the folders it created), and nothing else.
//   Uninstall [--yes] [FOLDER]      (default FOLDER: the folder of this program)
#include "platform/Programs.h"
#include "setup/InstallManifest.h"
#include "setup/InstallerFiles.h"

#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    bool yes = false;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--yes") == 0) {
            yes = true;
        } else if (argv[i][0] == '-' || !folder.empty()) {
            std::cerr << "usage: Uninstall [--yes] [FOLDER]\n";
            return 2;
        } else {
            folder = argv[i];
        }
    }
    if (folder.empty())
        folder = qr::platform::ProgramFolder();
    if (!yes) {
        std::cout << "Remove " << qr::setup::kProgramName << " from '" << folder << "'? [y/N] "
                  << std::flush;
        std::string answer;
        if (!::isatty(0) || !std::getline(std::cin, answer) ||
            (answer != "y" && answer != "Y" && answer != "yes")) {
            std::cout << "Nothing removed.\n";
            return 1;
        }
    }
    auto result = qr::setup::Uninstall(folder);
    if (!result) {
        std::cerr << "Uninstall: '" << folder << "' holds no installation record ("
                  << qr::setup::kManifestName << "); nothing removed.\n";
        return 1;
    }
    for (const std::string& path : result->removed)
        std::cout << "removed " << path << "\n";
    for (const std::string& path : result->kept)
        std::cout << "kept    " << path << "\n";
    if (result->registryValueRemoved)
        std::cout << "removed the InstallationPath value\n";
    return 0;
}
