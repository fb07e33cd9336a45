#include "RecoverabilityColumn.h"

#include "model/FolderNodeList.h"
#include "model/RecordTable.h"

namespace qr::cli {

RecoverabilityColumn::RecoverabilityColumn(app::RecoveryContext& context)
    : context_(context), engine_(app::EngineFor(context, context.activeGeometry.kind(),
                                                static_cast<bool>(context.searchCache))) {}

std::vector<std::string> RecoverabilityColumn::filesOf(model::TreeItem item) {
    std::vector<std::string> texts;
    if (!engine_)
        return texts;
    const model::FolderNode* node = context_.folderNodes.findByItem(item);
    const std::uint32_t key = node ? node->selfKey : engine_->rootKey();
    if (key == model::kLostFolderKey)
        return texts;
    engine_->listFiles(key, node && node->deleted, [&](const volume::FolderFile& file) {
        texts.emplace_back(file.deleted ? volume::RecoverabilityText(engine_->recoverability(file))
                                        : "live");
        return true;
    });
    return texts;
}

} // namespace qr::cli
