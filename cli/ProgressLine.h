#pragma once
// The progress of a command-line search as one line on stderr (rewritten in place on
// a terminal), drawn from the search's typed progress events.
#include "volume/SearchProgress.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace qr::cli {

class ProgressLine final : public volume::SearchProgress {
public:
    ProgressLine();
    void phase(volume::SearchPhase phase) override;
    void position(std::uint64_t position, std::uint64_t total) override;
    void counter(volume::SearchCounter counter, std::uint64_t value) override;
    // Said at once, on a line of its own: the first result of a long search.
    void walkEnded(std::uint64_t folders) override;

    // Calls `stop` once, from the search's thread, when the directory scan reports a
    // sector >= `sector`.
    void stopAt(std::uint64_t sector, std::function<void()> stop);
    bool stopped() const { return stopped_; }
    // Ends the live line.
    void finish();

private:
    void draw(bool force);

    std::mutex mutex_;
    bool terminal_;
    volume::SearchPhase phase_ = volume::SearchPhase::DirectoryScan;
    std::string caption_;
    std::uint64_t directories_ = 0;
    bool directoriesShown_ = false;
    int percent_ = 0;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point lastDraw_{};
    std::uint64_t stopSector_ = 0;
    std::function<void()> stop_;
    std::atomic<bool> stopped_{false};
};

} // namespace qr::cli
