#include "WorkerStopper.h"

#include <QCoreApplication>

#include <chrono>
#include <utility>

namespace qr::gui {

void WorkerStopper::serveEventsUntil(const std::atomic<bool>& done) {
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

bool WorkerStopper::waitIfStopping(const std::jthread& worker) {
    if (stopping_ != &worker)
        return false;
    serveEventsUntil(*joined_);
    return true;
}

void WorkerStopper::stop(std::jthread& worker) {
    worker.request_stop();
    // Reached again from the events served below (Stop Searching, another close): the
    // thread already has its joiner, so wait for it instead of joining twice.
    if (waitIfStopping(worker))
        return;
    if (!worker.joinable())
        return;
    std::atomic<bool> done{false};
    std::jthread* outerWorker = std::exchange(stopping_, &worker);
    const std::atomic<bool>* outerJoined = std::exchange(joined_, &done);
    std::thread joiner([&] {
        worker.join();
        done = true;
    });
    serveEventsUntil(done);
    joiner.join();
    stopping_ = outerWorker;
    joined_ = outerJoined;
}

} // namespace qr::gui
