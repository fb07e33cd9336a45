#pragma once
// The lines the window shows once a save has ended: how many files were saved, failed,
// are uncertain (clusters guessed) and hold sectors the medium could not read.
#include "output/SaveState.h"

#include <string>
#include <vector>

namespace qr::output {

std::vector<std::string> SaveSummaryLines(const SaveSummary& summary,
                                          const std::string& destination);

} // namespace qr::output
