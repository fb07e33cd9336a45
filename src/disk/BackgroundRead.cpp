#include "disk/BackgroundRead.h"

namespace qr::disk {

BackgroundRead::~BackgroundRead() {
    if (!thread_.joinable())
        return;
    {
        // A read that was started is let finish: its buffer belongs to the caller.
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !pending_.has_value(); });
    }
    thread_.request_stop();
    changed_.notify_all();
}

void BackgroundRead::start(std::uint64_t start, std::uint32_t count, unsigned char* buffer) {
    {
        std::lock_guard lock(mutex_);
        pending_ = Request{start, count, buffer};
        done_.reset();
    }
    if (!thread_.joinable())
        thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
    changed_.notify_all();
}

ReadStatus BackgroundRead::finish() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return done_.has_value(); });
    return *done_;
}

void BackgroundRead::run(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (changed_.wait(lock, stop, [&] { return pending_.has_value(); })) {
        const Request request = *pending_;
        lock.unlock();
        const ReadStatus status = source_.readSectors(request.start, request.count, request.buffer);
        lock.lock();
        pending_.reset();
        done_ = status;
        changed_.notify_all();
    }
}

} // namespace qr::disk
