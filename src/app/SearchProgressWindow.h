#pragma once
// The one place the typed progress of a search becomes window texts: the sector
// caption, the percentage bar and its caption, the counters, the partition step's controls
// around a partition search, and the browsing window's current folder. Every search-progress event
// is also handed to an observer (the command line's progress line) when one is set.
#include "app/WindowItems.h"
#include "model/CurrentFolderView.h"
#include "volume/PartitionSearchView.h"
#include "volume/SearchProgress.h"

#include <functional>

namespace qr::app {

class SearchProgressWindow final : public volume::SearchProgress,
                                   public volume::PartitionSearchView,
                                   public model::CurrentFolderView {
public:
    // `window` is asked for the current window at every event (it may be replaced).
    explicit SearchProgressWindow(std::function<WindowItems&()> window)
        : window_(std::move(window)) {}

    void phase(volume::SearchPhase phase) override;
    void position(std::uint64_t position, std::uint64_t total) override;
    void counter(volume::SearchCounter counter, std::uint64_t value) override;

    void partitionSearchStarted(bool lockRange) override;
    void partitionSearchAt(std::uint64_t at, std::uint64_t end) override;
    void partitionSearchFinished(const std::optional<volume::FoundPartitionRange>& first,
                                 bool showRange) override;

    void showCurrentFolder(const std::string& path) override;

    void setObserver(volume::SearchProgress* observer) { observer_ = observer; }

private:
    std::function<WindowItems&()> window_;
    volume::SearchProgress* observer_ = nullptr;
    volume::SearchPhase phase_ = volume::SearchPhase::DirectoryScan;
    int shownPercent_ = -1;
};

} // namespace qr::app
