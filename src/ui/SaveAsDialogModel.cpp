#include "ui/SaveAsDialogModel.h"

#include "app/RecoveryContext.h"
#include "output/DestinationSafety.h"

#include <cerrno>
#include <sys/stat.h>

namespace qr::ui {

SaveAsDialogModel::SaveAsDialogModel(output::SaveState& save, platform::UserMessages* messages,
                                     std::string sourceDevice)
    : save_(save), messages_(messages), sourceDevice_(std::move(sourceDevice)) {}

bool SaveAsDialogModel::settingsEnabled(std::uint16_t searchMode, std::uint16_t saveSource) {
    return searchMode != app::kSearchRaw && saveSource != output::kSaveSourceTree;
}

void SaveAsDialogModel::folderChosen(const std::string& folder) {
    folderText_ = folder;
    save_.destinationFolder = folder;
}

bool SaveAsDialogModel::accept() {
    const std::string path = folderText_.substr(0, kMaxDestinationLength);
    save_.destinationFolder = path;
    // Checked before anything is created, so nothing is ever made on the source.
    if (const std::string refusal = output::DestinationRefusal(sourceDevice_, path);
        !refusal.empty()) {
        if (messages_)
            messages_->error(refusal);
        return false;
    }
    struct stat st {};
    const bool isFolder = !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    if (!isFolder && (path.empty() || ::mkdir(path.c_str(), 0777) != 0)) {
        if (messages_)
            messages_->error("Invalid Path " + path);
        return false;
    }
    save_.destinationCancelled = false;
    return true;
}

void SaveAsDialogModel::cancel() {
    save_.destinationFolder.clear();
    save_.destinationCancelled = true;
}

} // namespace qr::ui
