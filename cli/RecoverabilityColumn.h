#pragma once
// The sixth column of `list --recoverability`: each deleted file's recoverability as
// its engine judges it, "live" for live files, "-" for folders.
#include "app/RecoveryContext.h"

#include <memory>
#include <string>
#include <vector>

namespace qr::cli {

class RecoverabilityColumn {
public:
    explicit RecoverabilityColumn(app::RecoveryContext& context);
    // The texts of the files of folder `item`, in the order the file list shows them
    // (the engine's listing order).
    std::vector<std::string> filesOf(model::TreeItem item);

private:
    app::RecoveryContext& context_;
    std::unique_ptr<volume::VolumeEngine> engine_;
};

inline constexpr const char* kFolderRecoverability = "-";

} // namespace qr::cli
