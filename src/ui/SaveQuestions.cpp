#include "ui/SaveQuestions.h"

namespace qr::ui {

void ApplyWriteErrorAnswer(output::SaveState& save, WriteErrorAnswer answer) {
    const bool abort = answer == WriteErrorAnswer::Abort;
    save.skipCurrent = !abort;
    save.stopSaving = abort;
}

} // namespace qr::ui
