#include "disk/ReadPause.h"

namespace qr::disk {

void ReadPause::pause() {
    std::lock_guard lock(mutex_);
    paused_ = true;
    pausedBy_ = std::this_thread::get_id();
}

void ReadPause::resume() {
    {
        std::lock_guard lock(mutex_);
        paused_ = false;
    }
    resumed_.notify_all();
}

void ReadPause::waitWhilePaused() {
    std::unique_lock lock(mutex_);
    resumed_.wait(lock, [this] { return !paused_ || pausedBy_ == std::this_thread::get_id(); });
}

} // namespace qr::disk
