#include "output/SaveSummaryText.h"

namespace qr::output {

std::vector<std::string> SaveSummaryLines(const SaveSummary& summary,
                                          const std::string& destination) {
    const auto n = [](std::uint64_t count) { return std::to_string(count); };
    std::vector<std::string> lines{
        "Files saved : " + n(summary.written),
        "Files that failed : " + n(summary.failed + summary.stopped),
        "Files uncertain (clusters guessed) : " + n(summary.uncertain),
        "Files with unreadable sectors : " + n(summary.withUnreadable),
    };
    if (summary.passedOver > 0)
        lines.push_back("Files passed over : " + n(summary.passedOver));
    lines.push_back("Saved to : " + destination);
    return lines;
}

} // namespace qr::output
