#include "app/SaveCommands.h"

#include "app/EngineHooks.h"
#include "app/ExtractCommands.h"
#include "app/RecoveryContext.h"
#include "volume/VolumeEngine.h"

namespace qr::app {

output::SaveSelection SaveSelectionOf(RecoveryContext& context) {
    return {context.save,
            context.recoveryTree,
            context.folderNodes,
            context.fileList,
            context.currentFolderItem,
            context.tables,
            RootKeyOf(context),
            [&context] { return EngineFor(context); }};
}

void CountSaveSelection(RecoveryContext& context) {
    output::SaveSelection selection = SaveSelectionOf(context);
    output::CountSaveSelection(selection);
}

void CountFolderTree(RecoveryContext& context, model::TreeItem item, std::uint32_t key) {
    output::SaveSelection selection = SaveSelectionOf(context);
    output::CountFolderTree(selection, item, key);
}

void WriteSavePlan(RecoveryContext& context) {
    const std::unique_ptr<volume::VolumeEngine> engine = EngineFor(context);
    output::WriteSavePlan(context.save,
                          {SourceDeviceName(context), engine.get(), context.recoveryTree,
                           context.messages, &context.folderNodes});
}

} // namespace qr::app
