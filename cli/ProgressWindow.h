#pragma once
// The window items of a command-line search: the progress caption and bar shown as
// one line on stderr (rewritten in place on a terminal), everything else ignored.
#include "app/WindowItems.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace qr::cli {

class ProgressWindow final : public app::WindowItems {
public:
    ProgressWindow();
    void setItemText(int itemId, const std::string& text) override;
    void showItem(int, bool) override {}
    void enableItem(int, bool) override {}
    void setProgress(int itemId, int percent) override;
    void selectEntry(int, int) override {}

    // Calls `stop` once, from the search's thread, when a "Sector  N / E" caption
    // reaches N >= `sector`.
    void stopAt(std::uint64_t sector, std::function<void()> stop);
    bool stopped() const { return stopped_; }
    // Ends the live line.
    void finish();

private:
    void draw(bool force);

    std::mutex mutex_;
    bool terminal_;
    std::string caption_;
    std::string directories_;
    int percent_ = 0;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point lastDraw_{};
    std::uint64_t stopSector_ = 0;
    std::function<void()> stop_;
    std::atomic<bool> stopped_{false};
};

} // namespace qr::cli
