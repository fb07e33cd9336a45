#pragma once
// The raw search on a thread of its own. The caller keeps the source, the output, the
// events and the progress alive until the worker has ended; stop() asks the search to
// end at its next window or chunk and waits for it.
#include "raw/RawSearch.h"

#include <atomic>
#include <functional>
#include <thread>

namespace qr::raw {

class RawSearchWorker {
public:
    RawSearchWorker() = default;
    ~RawSearchWorker() { stop(); }
    RawSearchWorker(const RawSearchWorker&) = delete;
    RawSearchWorker& operator=(const RawSearchWorker&) = delete;

    // Starts the search; `done` runs on the worker with the result once it has ended.
    void start(disk::SectorSource& source, RawSearchOptions options, CarvedFileOutput& output,
               RawSearchEvents& events, volume::SearchProgress& progress,
               std::function<void(const RawSearchResult&)> done = {});

    bool running() const { return running_.load(); }
    // Asks the search to stop and waits until it has.
    void stop();
    // Waits for the search to end by itself.
    void join();
    const RawSearchResult& result() const { return result_; }
    // The thread, for a caller that must keep serving the search while it stops it.
    std::jthread& thread() { return thread_; }

private:
    std::jthread thread_;
    std::atomic<bool> running_{false};
    RawSearchResult result_;
};

} // namespace qr::raw
