#include "ProgressWindow.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace qr::cli {

namespace {

// A line per this interval when stderr is not a terminal.
constexpr auto kLogInterval = std::chrono::seconds(1);
constexpr auto kTerminalInterval = std::chrono::milliseconds(100);

} // namespace

ProgressWindow::ProgressWindow() : terminal_(::isatty(2) == 1) {}

void ProgressWindow::setItemText(int itemId, const std::string& text) {
    std::lock_guard lock(mutex_);
    if (itemId == app::item::kProgressCaption) {
        caption_ = text;
        if (stop_ && !stopped_ && text.starts_with("Sector  ") &&
            std::strtoull(text.c_str() + 8, nullptr, 10) >= stopSector_) {
            stopped_ = true;
            stop_();
        }
        draw(false);
    } else if (itemId == app::item::kDirectoriesFound) {
        directories_ = text;
    }
}

void ProgressWindow::stopAt(std::uint64_t sector, std::function<void()> stop) {
    std::lock_guard lock(mutex_);
    stopSector_ = sector;
    stop_ = std::move(stop);
}

void ProgressWindow::setProgress(int itemId, int percent) {
    std::lock_guard lock(mutex_);
    if (itemId != app::item::kProgressBar)
        return;
    percent_ = percent;
    draw(false);
}

void ProgressWindow::draw(bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < (terminal_ ? kTerminalInterval : kLogInterval))
        return;
    lastDraw_ = now;
    std::string line = caption_;
    if (!directories_.empty())
        line += "  directories: " + directories_;
    if (terminal_) {
        const int filled = percent_ / 5;
        std::fprintf(stderr, "\r[%-20s] %3d%%  %s\033[K", std::string(filled, '#').c_str(),
                     percent_, line.c_str());
    } else {
        std::fprintf(stderr, "%3d%%  %s\n", percent_, line.c_str());
    }
    drawn_ = true;
}

void ProgressWindow::finish() {
    std::lock_guard lock(mutex_);
    if (!drawn_)
        return;
    draw(true);
    if (terminal_)
        std::fputc('\n', stderr);
}

} // namespace qr::cli
