#include "raw/WindowRules.h"

namespace qr::raw {

void WindowRules::take(const WindowMarks& marks, const Decide& decide) {
    const std::vector<HeaderCandidate>& headers = marks.headers;
    std::optional<std::uint64_t> firstHeader;
    if (!headers.empty())
        firstHeader = headers.front().sector;

    if (open_) {
        const HeaderCandidate open = *open_;
        const auto end =
            FindFileEnd(marks, {open.sector, open.entry, firstHeader, lastWrittenEnd_});
        if (!end && !firstHeader)
            return; // still open: its end may lie in a later window
        open_.reset();
        ++number_;
        decide({number_, open.sector, open.entry, end});
        // Either way the window is taken again from its first sector; after a written
        // open file its end no longer holds markers back.
        lastWrittenEnd_.reset();
    }

    for (std::size_t i = 0; i < headers.size(); ++i) {
        const HeaderCandidate& c = headers[i];
        std::optional<std::uint64_t> next;
        if (i + 1 < headers.size())
            next = headers[i + 1].sector;
        const auto end = FindFileEnd(marks, {c.sector, c.entry, next, lastWrittenEnd_});
        if (!end && !next) {
            open_ = c; // the window's last candidate: look on in the next window
            return;
        }
        if (end)
            lastWrittenEnd_ = end->sector;
        ++number_;
        decide({number_, c.sector, c.entry, end});
    }
}

} // namespace qr::raw
