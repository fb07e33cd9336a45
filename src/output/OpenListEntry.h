#pragma once
// Enter on a row of the file list: a folder row opens that folder, a file row is
// extracted into the work folder and handed to the desktop.
#include "output/OpenWithShell.h"

#include <string>

namespace qr::app {
struct RecoveryContext;
}

namespace qr::output {

struct ShellServices {
    ProcessLauncher* launcher = nullptr;
    ProgramChooser* chooser = nullptr;
};

enum class OpenedAs { Nothing, Folder, File };

// `row` is the row at the list's selection mark. Acts only on the browse step.
OpenedAs OpenListEntry(app::RecoveryContext& context, int row, const ShellServices& shell);

// The output path of a file opened from the list: the work folder, "/", the name.
std::string OpenedFilePath(const std::string& workFolder, const std::string& name);

} // namespace qr::output
