#pragma once
// Runs the raw search over a sector source in memory: the files it writes kept by name,
// the events it reports recorded.
#include "raw/RawSearch.h"
#include "volume/SearchProgress.h"

#include <functional>
#include <map>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

namespace qr::raw {

class MemoryOutput final : public CarvedFileOutput {
public:
    bool create(const std::string& name) override {
        current = name;
        files[name].clear();
        return true;
    }
    bool write(disk::ByteView bytes) override {
        auto& f = files[current];
        f.insert(f.end(), bytes.data(), bytes.data() + bytes.size());
        return true;
    }
    bool finish() override {
        finished.push_back(current);
        ++unsettled;
        return true;
    }
    std::vector<bool> settle() override {
        std::vector<bool> durable;
        for (std::size_t i = finished.size() - unsettled; i < finished.size(); ++i)
            durable.push_back(finished[i] != notDurable);
        unsettled = 0;
        return durable;
    }
    void discard() override {
        files.erase(current);
        discarded.push_back(current);
    }
    void abandon() override {}

    std::string current;
    std::map<std::string, std::vector<unsigned char>> files;
    std::vector<std::string> finished;
    std::vector<std::string> discarded;
    std::size_t unsettled = 0;
    std::string notDurable; // a file the destination fails to make durable
};

class Recorder final : public RawSearchEvents {
public:
    void fileWritten(const CarvedFile& file, const RawCounts& counts) override {
        written.push_back(file);
        last = counts;
        if (onWritten)
            onWritten(file);
    }
    void fileFailed(const CarvedFile& file, CarveResult) override { failed.push_back(file); }
    std::vector<CarvedFile> written;
    std::vector<CarvedFile> failed;
    RawCounts last{};
    std::function<void(const CarvedFile&)> onWritten;
};

struct Run {
    MemoryOutput output;
    Recorder events;
    RawSearchResult result;
};

inline std::unique_ptr<Run> search(disk::SectorSource& source, RawSearchOptions options,
                                   std::stop_source stop = {},
                                   std::function<void(const CarvedFile&)> onWritten = {},
                                   std::string notDurable = {}) {
    auto run = std::make_unique<Run>();
    run->output.notDurable = std::move(notDurable);
    run->events.onWritten = std::move(onWritten);
    volume::NoProgress progress;
    if (options.end == 0)
        options.end = source.sectorCount();
    run->result =
        RunRawSearch(source, options, run->output, run->events, progress, stop.get_token());
    return run;
}

} // namespace qr::raw
