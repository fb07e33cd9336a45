#pragma once
// Holds the medium's reads while the user is asked whether to stop a search, so the
// search does not run on behind the question. Reads from the thread that paused them
// (the one asking) go on, so that it can never wait on itself.
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qr::disk {

class ReadPause {
public:
    void pause();
    void resume();
    // Returns when reads may go on: at once unless paused by another thread.
    void waitWhilePaused();

private:
    std::mutex mutex_;
    std::condition_variable resumed_;
    bool paused_ = false;
    std::thread::id pausedBy_;
};

// Pauses for its lifetime.
class PausedReads {
public:
    explicit PausedReads(ReadPause& pause) : pause_(pause) { pause_.pause(); }
    ~PausedReads() { pause_.resume(); }
    PausedReads(const PausedReads&) = delete;
    PausedReads& operator=(const PausedReads&) = delete;

private:
    ReadPause& pause_;
};

} // namespace qr::disk
