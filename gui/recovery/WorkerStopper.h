#pragma once
// Ends a worker thread from the GUI thread without deadlocking: a worker may be waiting
// on the window (a question, a tree update), so events are served while it ends. A
// second stop of the same worker, reached from those events, waits for the first one.
#include <atomic>
#include <thread>

namespace qr::gui {

class WorkerStopper {
public:
    // Asks the worker to stop and serves events until its thread has been joined.
    void stop(std::jthread& worker);
    // True while some stop is serving a worker's end.
    bool busy() const { return stopping_ != nullptr; }
    // When a stop of this worker is under way, waits for its join and returns true.
    bool waitIfStopping(const std::jthread& worker);
    // Processes the GUI thread's events until `done` holds.
    static void serveEventsUntil(const std::atomic<bool>& done);

private:
    // The worker whose end stop() is serving, and the flag its joiner sets once the
    // thread has been joined.
    std::jthread* stopping_ = nullptr;
    const std::atomic<bool>* joined_ = nullptr;
};

} // namespace qr::gui
