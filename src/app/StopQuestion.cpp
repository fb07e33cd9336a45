#include "app/StopQuestion.h"

#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"

namespace qr::app {

bool AskToStopWithReadsPaused(RecoveryContext& context, const std::string& question) {
    const disk::PausedReads paused(context.reader->pause());
    return context.messages->askYesNo(question);
}

} // namespace qr::app
