#pragma once
// Asks whether to stop a running search with the search held still: its reads wait for
// the answer, so nothing more is searched (or written) while the user decides.
#include <string>

namespace qr::app {

struct RecoveryContext;

bool AskToStopWithReadsPaused(RecoveryContext& context, const std::string& question);

} // namespace qr::app
