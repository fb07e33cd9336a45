#pragma once
// One read at a time on a thread of its own: a sweep starts the read of its next batch,
// looks at the current one meanwhile, then takes the result. The thread is made on
// the first read and waits idle between reads.
#include "disk/SectorSource.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

namespace qr::disk {

class BackgroundRead {
public:
    explicit BackgroundRead(SectorSource& source) : source_(source) {}
    // Waits for a read still running; the source is not read after this returns.
    ~BackgroundRead();
    BackgroundRead(const BackgroundRead&) = delete;
    BackgroundRead& operator=(const BackgroundRead&) = delete;

    // Starts reading `count` sectors from `start` into `buffer` (after the last read
    // was finished).
    void start(std::uint64_t start, std::uint32_t count, unsigned char* buffer);
    // Waits for the read started last and returns its status.
    ReadStatus finish();

private:
    struct Request {
        std::uint64_t start = 0;
        std::uint32_t count = 0;
        unsigned char* buffer = nullptr;
    };
    void run(std::stop_token stop);

    SectorSource& source_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::optional<Request> pending_;
    std::optional<ReadStatus> done_;
    std::jthread thread_; // last: stopped and joined before the members it uses go
};

} // namespace qr::disk
