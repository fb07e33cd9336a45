#pragma once
// What the end of a search leaves for the reports: the seven recovery-details lines
// and a numbered report file with them, the counts found and the time taken.
#include <string>
#include <vector>

namespace qr::app {

struct RecoveryContext;

// The recovery-details lines in their order; empty lines before the first search.
std::vector<std::string> RecoveryDetailLines(const RecoveryContext& context);

// The report file's lines: the details, the folders and deleted folders found (and the
// files, when the search recorded them), and the time since the search started.
std::vector<std::string> SearchReportLines(const RecoveryContext& context);

// Writes the next report file and raises the report count. Does nothing without a
// registry; a report that cannot be written leaves the count as it was.
void WriteSearchReport(RecoveryContext& context);

} // namespace qr::app
