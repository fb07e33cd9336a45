#pragma once
// What the window tells at the end of a save whose files are not all whole.
#include "output/SaveState.h"

#include <string>

namespace qr::output {

// "N files were saved with zeros ..." when some saved files hold sectors the medium
// could not read; empty when there are none.
std::string SaveEndNotice(const SaveSummary& summary);

} // namespace qr::output
