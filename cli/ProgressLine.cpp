#include "ProgressLine.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace qr::cli {

namespace {

// A line per this interval when stderr is not a terminal.
constexpr auto kLogInterval = std::chrono::seconds(1);
constexpr auto kTerminalInterval = std::chrono::milliseconds(100);

const char* phaseName(volume::SearchPhase phase) {
    switch (phase) {
    case volume::SearchPhase::DirectoryScan:
    case volume::SearchPhase::AdvancedSweep:
    case volume::SearchPhase::MftSweep:
        return "sector";
    case volume::SearchPhase::Assignment:
        return "assigning MFT numbers, index record";
    case volume::SearchPhase::VolumeMatching:
        return "assigned";
    case volume::SearchPhase::LayoutReconstruction:
        return "rebuilding the layout, sector";
    case volume::SearchPhase::LostDirectories:
        return "lost folders, row";
    case volume::SearchPhase::StoringTree:
        return "building the tree, folder";
    default:
        return "step";
    }
}

} // namespace

ProgressLine::ProgressLine() : terminal_(::isatty(2) == 1) {}

void ProgressLine::phase(volume::SearchPhase phase) {
    std::lock_guard lock(mutex_);
    phase_ = phase;
    percent_ = 0;
    caption_ = phaseName(phase);
}

void ProgressLine::position(std::uint64_t position, std::uint64_t total) {
    std::lock_guard lock(mutex_);
    percent_ =
        total == 0 ? 0 : static_cast<int>(std::min<std::uint64_t>(100, position * 100 / total));
    caption_ = std::string(phaseName(phase_)) + " " + std::to_string(position) + " / " +
               std::to_string(total);
    const bool sweep = phase_ == volume::SearchPhase::DirectoryScan ||
                       phase_ == volume::SearchPhase::AdvancedSweep ||
                       phase_ == volume::SearchPhase::MftSweep;
    if (sweep && stop_ && !stopped_ && position >= stopSector_) {
        stopped_ = true;
        stop_();
    }
    draw(false);
}

void ProgressLine::counter(volume::SearchCounter counter, std::uint64_t value) {
    std::lock_guard lock(mutex_);
    if (counter == volume::SearchCounter::Directories) {
        directories_ = value;
        directoriesShown_ = true;
    }
}

void ProgressLine::walkEnded(std::uint64_t folders) {
    std::lock_guard lock(mutex_);
    if (terminal_ && drawn_)
        std::fputs("\r\033[K", stderr);
    std::fprintf(stderr, "folders reached from the root: %llu\n",
                 static_cast<unsigned long long>(folders));
    std::fflush(stderr);
}

void ProgressLine::stopAt(std::uint64_t sector, std::function<void()> stop) {
    std::lock_guard lock(mutex_);
    stopSector_ = sector;
    stop_ = std::move(stop);
}

void ProgressLine::draw(bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < (terminal_ ? kTerminalInterval : kLogInterval))
        return;
    lastDraw_ = now;
    std::string line = caption_;
    if (directoriesShown_)
        line += "  directories: " + std::to_string(directories_);
    if (terminal_) {
        const int filled = percent_ / 5;
        std::fprintf(stderr, "\r[%-20s] %3d%%  %s\033[K", std::string(filled, '#').c_str(),
                     percent_, line.c_str());
    } else {
        std::fprintf(stderr, "%3d%%  %s\n", percent_, line.c_str());
    }
    drawn_ = true;
}

void ProgressLine::finish() {
    std::lock_guard lock(mutex_);
    if (!drawn_)
        return;
    draw(true);
    if (terminal_)
        std::fputc('\n', stderr);
}

} // namespace qr::cli
