#include "app/SearchProgressWindow.h"

#include <algorithm>
#include <string>

namespace qr::app {

namespace {

using volume::SearchPhase;

int percentOf(std::uint64_t position, std::uint64_t total) {
    return total == 0 ? 0 : static_cast<int>(std::min<std::uint64_t>(100, position * 100 / total));
}

// The sector caption shows numbers as the 32-bit fields of the window did.
std::string sectorCaption(std::uint64_t sector, std::uint64_t end) {
    return "Sector  " + std::to_string(static_cast<std::uint32_t>(sector)) + " / " +
           std::to_string(static_cast<std::uint32_t>(end));
}

} // namespace

void SearchProgressWindow::phase(SearchPhase phase) {
    phase_ = phase;
    shownPercent_ = -1;
    WindowItems& w = window_();
    switch (phase) {
    case SearchPhase::DirectoryScan:
        w.setItemText(item::kDirectoriesFound, "0");
        w.setItemText(item::kBootSectorsFound, "");
        break;
    case SearchPhase::LayoutReconstruction:
        w.setItemText(item::kProgressCaption, "Calculating Partition Params...");
        w.showItem(item::kProgressBar, true);
        break;
    default: // the scan driver captions the steps of its own

        break;
    }
    if (observer_)
        observer_->phase(phase);
}

void SearchProgressWindow::position(std::uint64_t position, std::uint64_t total) {
    WindowItems& w = window_();
    const int percent = percentOf(position, total);
    switch (phase_) {
    case SearchPhase::DirectoryScan:
        w.setItemText(item::kProgressCaption, sectorCaption(position, total));
        if (percent != shownPercent_) {
            shownPercent_ = percent;
            w.setProgress(item::kProgressBar, percent);
            w.setItemText(item::kProgressBar, std::to_string(percent) + " % Completed");
        }
        break;
    case SearchPhase::LayoutReconstruction:
        w.setProgress(item::kProgressBar, percent);
        break;
    case SearchPhase::LostDirectories:
        w.setItemText(item::kProgressCaption, "Searching Lost Directories " +
                                                  std::to_string(position) + "/" +
                                                  std::to_string(total));
        w.setProgress(item::kProgressBar, percent);
        w.setItemText(item::kProgressBar, std::to_string(percent) + "% Completed");
        break;
    case SearchPhase::StoringTree:
        w.setProgress(item::kProgressBar, percent);
        if (position > 0)
            w.setItemText(item::kProgressBar, std::to_string(percent) + "% Completed");
        break;
    case SearchPhase::RawSearch:
        w.setItemText(item::kStatusLine, " Searching Sector :- " + std::to_string(position));
        if (percent > shownPercent_) {
            shownPercent_ = percent;
            w.setProgress(item::kRawProgress, percent);
            w.setItemText(item::kRawProgress, std::to_string(percent) + " % Completed");
        }
        break;
    default:
        break;
    }
    if (observer_)
        observer_->position(position, total);
}

void SearchProgressWindow::counter(volume::SearchCounter counter, std::uint64_t value) {
    if (counter == volume::SearchCounter::Directories)
        window_().setItemText(item::kDirectoriesFound, std::to_string(value));
    if (observer_)
        observer_->counter(counter, value);
}

} // namespace qr::app
