#pragma once
// "Save As": the destination folder with its checks, without any toolkit.
#include "output/SaveState.h"
#include "platform/UserMessages.h"

#include <cstdint>
#include <string>

namespace qr::ui {

inline const std::string kSaveAsWarning =
    "Please select different destination drive to save the recovered data. Saving the data "
    "in the same Drive/Folder may cause overwriting and your data will be lost forever. ";
inline const std::string kBrowseTitle = "Select drive/folder for save recovery:";
inline const std::string kFolderEditTitle = "Please specify a folder for Copying...";
inline constexpr std::size_t kMaxDestinationLength = 1024;

class SaveAsDialogModel {
public:
    // `sourceDevice`: the device or image under recovery, whose medium is refused.
    SaveAsDialogModel(output::SaveState& save, platform::UserMessages* messages,
                      std::string sourceDevice);

    // "&Settings" is off in Raw mode and for a save from the recovery tree.
    static bool settingsEnabled(std::uint16_t searchMode, std::uint16_t saveSource);

    // A folder chosen with a browse button.
    void folderChosen(const std::string& folder);
    const std::string& folderText() const { return folderText_; }
    void setFolderText(const std::string& text) { folderText_ = text; }

    // OK: true when the dialog may close with the destination set. The folder is made
    // when it is missing and its parent exists; otherwise "Invalid Path " + path. A
    // folder on the medium under recovery is refused with its own message.
    bool accept();
    // Cancel: empty destination and the cancelled flag.
    void cancel();

private:
    output::SaveState& save_;
    platform::UserMessages* messages_;
    std::string sourceDevice_;
    std::string folderText_;
};

} // namespace qr::ui
