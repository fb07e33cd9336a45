#include "output/SaveQuestions.h"

namespace qr::output {

void ApplyWriteErrorAnswer(SaveState& save, WriteErrorAnswer answer) {
    const bool abort = answer == WriteErrorAnswer::Abort;
    save.skipCurrent = !abort;
    save.stopSaving = abort;
}

} // namespace qr::output
