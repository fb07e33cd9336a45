#pragma once
// What the window tells at the end of a save whose files are not all whole, or not all
// under their own names.
#include "output/SaveState.h"

#include <string>

namespace qr::output {

// "N files were saved with zeros ..." when some saved files hold sectors the medium
// could not read, then "N files were saved under a numbered name ..." when name clashes
// renamed some; empty when there is neither.
std::string SaveEndNotice(const SaveSummary& summary);

} // namespace qr::output
