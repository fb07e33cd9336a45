#pragma once
// The one place the typed progress of a search becomes window texts: the sector
// caption, the percentage bar and its caption, the counters, the search for lost folders
// after the walk from the root, the partition step's controls
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
    void walkEnded(std::uint64_t folders) override;

    void partitionSearchStarted(bool lockRange) override;
    void partitionSearchAt(std::uint64_t at, std::uint64_t end) override;
    void partitionSearchFinished(const std::optional<volume::FoundPartitionRange>& first,
                                 bool showRange) override;

    void showCurrentFolder(const std::string& path) override;

    void setObserver(volume::SearchProgress* observer) { observer_ = observer; }
    // Called at the walk's end, on the search's thread, after the window was told (the
    // search's hook shows the walk's tree from it); empty: nothing.
    void setWalkHandler(std::function<void(std::uint64_t folders)> handler) {
        walkHandler_ = std::move(handler);
    }

private:
    std::function<WindowItems&()> window_;
    volume::SearchProgress* observer_ = nullptr;
    std::function<void(std::uint64_t)> walkHandler_;
    volume::SearchPhase phase_ = volume::SearchPhase::DirectoryScan;
    int shownPercent_ = -1;
    // The walk from the root ended: the sweep that follows is the search for lost folders,
    // and the status line says how far it is.
    bool walked_ = false;
    std::uint64_t walkedFolders_ = 0;
};

} // namespace qr::app
