#include "app/ListRowRecoverability.h"

#include "app/ListRowFile.h"
#include "app/RecoveryContext.h"

namespace qr::app {

std::string ListRowRecoverability(RecoveryContext& context, const model::FileListRow& row) {
    const std::unique_ptr<volume::VolumeEngine> engine = EngineFor(context);
    if (!engine)
        return {};
    return std::string(volume::RecoverabilityText(engine->recoverability(ListRowFile(row))));
}

} // namespace qr::app
