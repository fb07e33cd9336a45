#pragma once
// The rules that carry the search from window to window: which header candidates
// become files, where each ends, which file stays open across windows, which is given
// up, and the running file number (used by every attempt, written or not).
//
// A file in hand ends in a window when that window holds one of its own end markers
// behind its start. Otherwise:
// - the window's last candidate stays open and is looked at again in the next window;
// - a candidate followed by another one in the same window is given up;
// - an open file in a window that shows a new header but none of its end markers is
//   given up, and the window is taken again from its first sector.
// When an open file ends, the window it ended in is taken again from its first
// sector, so that the headers there are examined.
#include "raw/WindowSearch.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace qr::raw {

struct FileDecision {
    std::uint64_t number = 0; // the running file number of this attempt
    std::uint64_t start = 0;  // first sector
    int headerEntry = 0;
    std::optional<FileEnd> end; // none: given up, nothing is written
};

class WindowRules {
public:
    using Decide = std::function<void(const FileDecision&)>;

    // Examines one window (windows come in rising order, back to back).
    void take(const WindowMarks& marks, const Decide& decide);

    bool hasOpenFile() const { return open_.has_value(); }
    std::uint64_t fileNumber() const { return number_; }

private:
    std::optional<HeaderCandidate> open_;
    std::optional<std::uint64_t> lastWrittenEnd_;
    std::uint64_t number_ = 0;
};

} // namespace qr::raw
