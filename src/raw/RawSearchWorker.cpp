#include "raw/RawSearchWorker.h"

namespace qr::raw {

void RawSearchWorker::start(disk::SectorSource& source, RawSearchOptions options,
                            CarvedFileOutput& output, RawSearchEvents& events,
                            volume::SearchProgress& progress,
                            std::function<void(const RawSearchResult&)> done) {
    stop();
    running_ = true;
    thread_ = std::jthread([this, &source, options, &output, &events, &progress,
                            done = std::move(done)](std::stop_token token) {
        result_ = RunRawSearch(source, options, output, events, progress, token);
        running_ = false;
        if (done)
            done(result_);
    });
}

void RawSearchWorker::stop() {
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
}

void RawSearchWorker::join() {
    if (thread_.joinable())
        thread_.join();
}

} // namespace qr::raw
