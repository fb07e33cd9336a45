#pragma once
// Enter on a row of the file list: a folder row opens that folder, a file row is
// extracted into the work folder and handed to the desktop.
#include "output/OpenWithShell.h"

#include <string>

#include "model/TreeModel.h"

#include <functional>
#include <memory>

namespace qr::model {
class FileList;
}
namespace qr::volume {
class VolumeEngine;
}

namespace qr::output {

struct ShellServices {
    ProcessLauncher* launcher = nullptr;
    ProgramChooser* chooser = nullptr;
};

enum class OpenedAs { Nothing, Folder, File };

// `row` is the row at the list's selection mark. Acts only on the browse step.
struct SaveState;

// What opening a row reads and uses: the file list and the recovery tree, whether the
// browse step is showing, the work folder that receives opened files, the save's state
// and the source's device name for the extraction, how a folder row is opened (as
// Enter on the tree's selected item) and a maker of the volume's engine.
struct ListEntryPorts {
    model::FileList& fileList;
    model::TreeModel& recoveryTree;
    bool browsing = false;
    std::string workFolder;
    SaveState& save;
    std::string sourceDevice;
    std::function<void()> openSelectedFolder;
    std::function<std::unique_ptr<volume::VolumeEngine>()> engine;
};

OpenedAs OpenListEntry(ListEntryPorts& ports, int row, const ShellServices& shell);

// The output path of a file opened from the list: the work folder, "/", the name.
std::string OpenedFilePath(const std::string& workFolder, const std::string& name);

} // namespace qr::output
