#pragma once
// The one place the typed progress of a search becomes window texts: the sector
// caption, the percentage bar and its caption, the counters. Every event is also handed
// to an observer (the command line's progress line) when one is set.
#include "app/WindowItems.h"
#include "volume/SearchProgress.h"

#include <functional>

namespace qr::app {

class SearchProgressWindow final : public volume::SearchProgress {
public:
    // `window` is asked for the current window at every event (it may be replaced).
    explicit SearchProgressWindow(std::function<WindowItems&()> window)
        : window_(std::move(window)) {}

    void phase(volume::SearchPhase phase) override;
    void position(std::uint64_t position, std::uint64_t total) override;
    void counter(volume::SearchCounter counter, std::uint64_t value) override;

    void setObserver(volume::SearchProgress* observer) { observer_ = observer; }

private:
    std::function<WindowItems&()> window_;
    volume::SearchProgress* observer_ = nullptr;
    volume::SearchPhase phase_ = volume::SearchPhase::DirectoryScan;
    int shownPercent_ = -1;
};

} // namespace qr::app
