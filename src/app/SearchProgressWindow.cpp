#include "app/SearchProgressWindow.h"

#include "app/PartitionTypeSelector.h"

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

// The titles of the steps that give swept NTFS records their numbers and volumes.
std::string assignmentTitle(SearchPhase phase) {
    switch (phase) {
    case SearchPhase::Assignment:
        return " Assigning MFT Numbers Phase 1 \\ 2   ...";
    case SearchPhase::AssignmentRunning:
        return " Assigning MFT Numbers Phase 2 \\ 2   ...";
    case SearchPhase::DirectoryList:
        return " Extracting Directory Entries .........";
    default:
        return "Analysining File Systems List";
    }
}

void showLostFolderSearch(WindowItems& w, std::uint64_t walked, int percent) {
    w.setItemText(item::kStatusLine,
                  "Folders reached from the root: " + std::to_string(walked) +
                      ". Searching for lost folders: " + std::to_string(percent) + " %");
}

void showPercent(WindowItems& w, int percent) {
    w.setProgress(item::kProgressBar, percent);
    w.setItemText(item::kProgressBar, std::to_string(percent) + " % Completed");
}

} // namespace

void SearchProgressWindow::phase(SearchPhase phase) {
    phase_ = phase;
    shownPercent_ = -1;
    // The sweep after the walk reports the directory scan; anything else ends it.
    walked_ = walked_ && phase == SearchPhase::DirectoryScan;
    WindowItems& w = window_();
    switch (phase) {
    case SearchPhase::DirectoryScan:
        w.setItemText(item::kDirectoriesFound, "0");
        w.setItemText(item::kBootSectorsFound, "");
        break;
    case SearchPhase::Validation:
        w.setItemText(item::kProgressCaption, "Validating Partition ...");
        break;
    case SearchPhase::LayoutReconstruction:
        w.setItemText(item::kProgressCaption, "Calculating Partition Params...");
        w.showItem(item::kProgressBar, true);
        break;
    case SearchPhase::AdvancedSweep:
    case SearchPhase::MftSweep:
        w.setItemText(item::kDirectoriesFound, "0");
        w.setItemText(item::kBootSectorsFound, "0");
        break;
    case SearchPhase::Assignment:
    case SearchPhase::AssignmentRunning:
    case SearchPhase::DirectoryList:
    case SearchPhase::VolumeMatching:
        w.setItemText(item::kProgressCaption, assignmentTitle(phase));
        w.showItem(item::kProgressBar, true);
        w.setProgress(item::kProgressBar, 0);
        w.setItemText(item::kProgressBar, "0  % Completed ");
        break;
    case SearchPhase::Inference:
        w.setItemText(item::kProgressCaption,
                      "Analyzing The Data For File Systems Phase 1 \\ 2   ...");
        w.setProgress(item::kProgressBar, 0);
        w.setItemText(item::kProgressBar, "0  % Completed ");
        break;
    case SearchPhase::InferencePairs:
        w.setItemText(item::kProgressCaption,
                      "Analyzing The Data For File Systems Phase 2 \\ 2   ...");
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
    case SearchPhase::AdvancedSweep:
    case SearchPhase::MftSweep:
        w.setItemText(item::kProgressCaption, sectorCaption(position, total));
        if (percent != shownPercent_) {
            shownPercent_ = percent;
            w.setProgress(item::kProgressBar, percent);
            w.setItemText(item::kProgressBar, std::to_string(percent) + " % Completed");
            if (walked_)
                showLostFolderSearch(w, walkedFolders_, percent);
        }
        break;
    case SearchPhase::LayoutReconstruction:
        w.setProgress(item::kProgressBar, percent);
        break;
    case SearchPhase::Inference:
    case SearchPhase::InferencePairs:
        if (position > 0) {
            w.setProgress(item::kProgressBar, percent);
            w.setItemText(item::kProgressBar, std::to_string(percent) + " % Completed");
        }
        break;
    case SearchPhase::Assignment:
        w.setItemText(item::kProgressCaption, " Assigning MFT Numbers Phase 1 \\ 2 ( " +
                                                  std::to_string(position) + "/" +
                                                  std::to_string(total) + " ) .....");
        showPercent(w, percent);
        break;
    case SearchPhase::DirectoryList:
        w.setItemText(item::kProgressCaption, " Extracting Directory Entries ........." +
                                                  std::to_string(position) + " / " +
                                                  std::to_string(total));
        showPercent(w, percent);
        break;
    case SearchPhase::VolumeMatching:
        w.setItemText(item::kProgressCaption,
                      "Assigned " + std::to_string(position) + " / " + std::to_string(total));
        showPercent(w, percent);
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
    if (counter == volume::SearchCounter::Directories ||
        counter == volume::SearchCounter::MftRecords)
        window_().setItemText(item::kDirectoriesFound, std::to_string(value));
    if (counter == volume::SearchCounter::BootSectors)
        window_().setItemText(item::kBootSectorsFound, std::to_string(value));
    if (observer_)
        observer_->counter(counter, value);
}

void SearchProgressWindow::walkEnded(std::uint64_t folders) {
    walked_ = true;
    walkedFolders_ = folders;
    shownPercent_ = -1;
    showLostFolderSearch(window_(), folders, 0);
    if (observer_)
        observer_->walkEnded(folders);
    if (walkHandler_)
        walkHandler_(folders);
}

} // namespace qr::app

namespace qr::app {

namespace {

const char* const kSearchingStatus = "Partition table has been corrupted, Now Quarrixdale "
                                     "Recovery - Memory Card is searchig partitions...";
const char* const kDoneStatus = "Select the partition to recover from left panel and then click "
                                "on next button or click on back button for select another disk.";

const int kRangeControls[] = {item::kPartitionType, item::kStartSector, item::kEndSector};
const int kRangeControlsWithLabels[] = {item::kPartitionType, item::kPartitionTypeLabel,
                                        item::kStartSector,   item::kStartSectorLabel,
                                        item::kEndSector,     item::kEndSectorLabel};

} // namespace

void SearchProgressWindow::partitionSearchStarted(bool lockRange) {
    WindowItems& w = window_();
    w.setItemText(item::kStatusLine, kSearchingStatus);
    if (lockRange)
        for (int id : kRangeControls)
            w.enableItem(id, false);
    w.enableItem(item::kBack, false);
    w.enableItem(item::kNext, false);
    w.enableItem(item::kSearchPartition, false);
    w.showItem(item::kStopSearchPartition, true);
    w.enableItem(item::kStopSearchPartition, true);
    w.showItem(item::kProgressBar, true);
    w.showItem(item::kProgressCaption, true);
    w.setItemText(item::kProgressCaption, "Searching Partition...");
    w.selectEntry(item::kPartitionType, kNoTypeEntry);
    w.setItemText(item::kStartSector, "0");
    w.setItemText(item::kEndSector, "0");
}

void SearchProgressWindow::partitionSearchAt(std::uint64_t at, std::uint64_t end) {
    window_().setProgress(item::kProgressBar, end == 0 ? 100 : percentOf(at, end));
}

void SearchProgressWindow::partitionSearchFinished(
    const std::optional<volume::FoundPartitionRange>& first, bool showRange) {
    WindowItems& w = window_();
    if (first) {
        w.selectEntry(item::kPartitionType, PartitionTypeEntry(first->kind));
        w.setItemText(item::kStartSector, std::to_string(first->startSector));
        w.setItemText(item::kEndSector, std::to_string(first->endSector));
    }
    w.setProgress(item::kProgressBar, 100);
    w.showItem(item::kSearchPartition, true);
    w.enableItem(item::kSearchPartition, true);
    w.showItem(item::kStopSearchPartition, false);
    w.enableItem(item::kLoadLogButton, true);
    w.enableItem(item::kSaveButton, false);
    w.showItem(item::kProgressBar, false);
    w.showItem(item::kProgressCaption, false);
    w.enableItem(item::kBack, true);
    w.enableItem(item::kNext, true);
    w.setItemText(item::kStatusLine, kDoneStatus);
    if (showRange)
        for (int id : kRangeControlsWithLabels) {
            w.showItem(id, true);
            w.enableItem(id, true);
        }
    w.enableItem(item::kPartitionTree, true);
}

void SearchProgressWindow::showCurrentFolder(const std::string& path) {
    window_().setItemText(item::kCurrentFolder, path);
}

} // namespace qr::app
