#include "app/SaveCommands.h"

#include "app/RecoveryContext.h"

namespace qr::app {

output::SaveSelection SaveSelectionOf(RecoveryContext& context) {
    return {context.save,
            context.recoveryTree,
            context.folderNodes,
            context.fileList,
            context.currentFolderItem,
            context.tables,
            context.volumeParams.kind(),
            [&context] { return EngineFor(context); }};
}

void CountSaveSelection(RecoveryContext& context) {
    output::SaveSelection selection = SaveSelectionOf(context);
    output::CountSaveSelection(selection);
}

void CountFatFolderTree(RecoveryContext& context, model::TreeItem item, std::uint32_t key) {
    output::SaveSelection selection = SaveSelectionOf(context);
    output::CountFatFolderTree(selection, item, key);
}

} // namespace qr::app
