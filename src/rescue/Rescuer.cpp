#include "rescue/Rescuer.h"

#include <algorithm>

namespace qr::rescue {

namespace {

std::uint64_t alignDown(std::uint64_t value, std::uint64_t unit) {
    return value - value % unit;
}

} // namespace

Rescuer::Rescuer(RescueInput& input, RescueOutput& output, RescueMap& map, RescueOptions options,
                 RescueHooks hooks)
    : input_(input), output_(output), map_(map), options_(options), hooks_(std::move(hooks)),
      slowJudge_(static_cast<std::uint64_t>(
          std::chrono::duration_cast<std::chrono::nanoseconds>(options.slowAtLeast).count())) {
    options_.sectorSize = std::max<std::uint32_t>(1, options_.sectorSize);
    options_.clusterSectors = std::max<std::uint32_t>(1, options_.clusterSectors);
}

RescueEnd Rescuer::run(const std::atomic<bool>& stop) {
    stop_ = &stop;
    end_ = RescueEnd::Finished;
    bool going = true;
    const auto phase = [&](Phase letter, int pass, auto&& body) {
        if (!going)
            return;
        map_.currentPhase = letter;
        map_.currentPass = pass;
        going = body() == Step::Go;
    };
    if (map_.bytesIn(BlockState::NotTried) > 0) {
        phase('?', 1, [&] { return copyPass(true); });
        phase('?', 2, [&] { return copyPass(false); });
    }
    phase('*', 1, [&] { return trimPass(); });
    phase('/', 1, [&] { return sectorPass(BlockState::NotScraped); });
    for (int pass = 1; pass <= options_.retries && going; ++pass)
        phase('-', pass, [&] { return sectorPass(BlockState::Bad); });
    if (going) {
        map_.currentPhase = '+';
        map_.currentPos = map_.size();
    }
    checkpoint(true);
    if (hooks_.progress)
        hooks_.progress(status());
    return end_;
}

Rescuer::Step Rescuer::stopIf(RescueEnd why) {
    if (why == RescueEnd::MediumGone && input_.sizeNow() != map_.size() && input_.sizeNow() != 0)
        why = RescueEnd::SizeChanged;
    end_ = why;
    return Step::End;
}

Rescuer::Step Rescuer::copyPass(bool skipping) {
    const bool forward = !options_.reverse;
    const std::uint64_t cluster = std::uint64_t{options_.sectorSize} * options_.clusterSectors;
    const std::uint64_t maxSkip = std::max(
        cluster, alignDown(std::min<std::uint64_t>(map_.size() / 100, 1ull << 30), cluster));
    std::uint64_t skip = cluster;
    std::uint64_t pos = forward ? 0 : map_.size();
    while (const std::optional<MapBlock> block = map_.nextIn(BlockState::NotTried, pos, forward)) {
        if (stop_->load())
            return stopIf(RescueEnd::Stopped);
        std::uint64_t from = block->pos, to = block->end();
        if (forward)
            to = std::min(to, alignDown(from, cluster) + cluster);
        else
            from = std::max(from, alignDown(to - 1, cluster));
        bool slow = false;
        switch (readBlock(from, to - from, BlockState::NotTrimmed, &slow)) {
        case ReadAnswer::Gone:
            return stopIf(end_ == RescueEnd::WriteFailed ? end_ : RescueEnd::MediumGone);
        case ReadAnswer::Bad:
            slow = true; // an error skips ahead as a slow block does
            break;
        case ReadAnswer::Read:
            break;
        }
        pos = forward ? to : from;
        if (slow && skipping) {
            pos = forward ? std::min(map_.size(), pos + skip) : (pos > skip ? pos - skip : 0);
            skip = std::min(skip * 2, maxSkip);
        } else if (!slow) {
            skip = cluster;
        }
        map_.currentPos = pos;
        if (!checkpoint(false))
            return Step::End;
    }
    return Step::Go;
}

Rescuer::Step Rescuer::trimPass() {
    const std::uint64_t sector = options_.sectorSize;
    std::uint64_t pos = 0;
    while (const std::optional<MapBlock> block = map_.nextIn(BlockState::NotTrimmed, pos, true)) {
        std::uint64_t from = block->pos, to = block->end();
        // Leading edge forwards, then trailing edge backwards, each up to a bad sector.
        for (bool bad = false; from < to && !bad;) {
            if (stop_->load())
                return stopIf(RescueEnd::Stopped);
            const std::uint64_t end = std::min(to, alignDown(from, sector) + sector);
            const ReadAnswer answer = readBlock(from, end - from, BlockState::Bad, nullptr);
            if (answer == ReadAnswer::Gone)
                return stopIf(end_ == RescueEnd::WriteFailed ? end_ : RescueEnd::MediumGone);
            bad = answer == ReadAnswer::Bad;
            from = end;
        }
        for (bool bad = false; to > from && !bad;) {
            if (stop_->load())
                return stopIf(RescueEnd::Stopped);
            const std::uint64_t start = std::max(from, alignDown(to - 1, sector));
            const ReadAnswer answer = readBlock(start, to - start, BlockState::Bad, nullptr);
            if (answer == ReadAnswer::Gone)
                return stopIf(end_ == RescueEnd::WriteFailed ? end_ : RescueEnd::MediumGone);
            bad = answer == ReadAnswer::Bad;
            to = start;
        }
        if (from < to)
            map_.mark(from, to - from, BlockState::NotScraped);
        pos = block->end();
        map_.currentPos = pos;
        if (!checkpoint(false))
            return Step::End;
    }
    return Step::Go;
}

Rescuer::Step Rescuer::sectorPass(BlockState from) {
    const std::uint64_t sector = options_.sectorSize;
    std::uint64_t pos = 0;
    while (const std::optional<MapBlock> block = map_.nextIn(from, pos, true)) {
        for (std::uint64_t at = block->pos; at < block->end();) {
            if (stop_->load())
                return stopIf(RescueEnd::Stopped);
            const std::uint64_t end = std::min(block->end(), alignDown(at, sector) + sector);
            if (readBlock(at, end - at, BlockState::Bad, nullptr) == ReadAnswer::Gone)
                return stopIf(end_ == RescueEnd::WriteFailed ? end_ : RescueEnd::MediumGone);
            at = end;
            map_.currentPos = at;
            if (!checkpoint(false))
                return Step::End;
        }
        pos = block->end();
    }
    return Step::Go;
}

ReadAnswer Rescuer::readBlock(std::uint64_t pos, std::uint64_t length, BlockState failed,
                              bool* slow) {
    if (buffer_.size() < length)
        buffer_.resize(length);
    const Clock::time_point start = Clock::now();
    const ReadAnswer answer = input_.read(pos, buffer_.data(), length);
    const Clock::time_point now = Clock::now();
    switch (answer) {
    case ReadAnswer::Gone:
        return answer;
    case ReadAnswer::Bad:
        map_.mark(pos, length, failed);
        break;
    case ReadAnswer::Read: {
        if (!output_.write(pos, buffer_.data(), length)) {
            end_ = RescueEnd::WriteFailed;
            return ReadAnswer::Gone;
        }
        map_.mark(pos, length, BlockState::Rescued);
        readThisRun_ += length;
        windowBytes_ += length;
        const bool isSlow = slowJudge_.slow(
            length, static_cast<std::uint64_t>(
                        std::chrono::duration_cast<std::chrono::nanoseconds>(now - start).count()));
        if (isSlow) {
            if (!slow_.empty() && slow_.back().second + 2 * length >= pos &&
                slow_.back().first <= pos)
                slow_.back().second = std::max(slow_.back().second, pos + length);
            else
                slow_.emplace_back(pos, pos + length);
        }
        if (slow)
            *slow = isSlow;
        break;
    }
    }
    if (now - windowStart_ >= std::chrono::seconds(1)) {
        const double seconds = std::chrono::duration<double>(now - windowStart_).count();
        rate_ = static_cast<std::uint64_t>(double(windowBytes_) / seconds);
        windowBytes_ = 0;
        windowStart_ = now;
    }
    if (hooks_.progress && now - lastProgress_ >= std::chrono::milliseconds(200)) {
        lastProgress_ = now;
        hooks_.progress(status());
    }
    return answer;
}

bool Rescuer::checkpoint(bool force) {
    const Clock::time_point now = Clock::now();
    if (!force && now - lastSave_ < options_.saveEvery)
        return true;
    lastSave_ = now;
    // The image's bytes reach the disk before a map that says they were rescued.
    const bool flushed = output_.flush();
    if (!force && input_.sizeNow() != map_.size()) {
        end_ = RescueEnd::SizeChanged;
    }
    if (hooks_.saveMap && (!flushed || !hooks_.saveMap(map_))) {
        end_ = RescueEnd::MapNotSaved;
        return false;
    }
    return end_ == RescueEnd::Finished;
}

RescueStatus Rescuer::status() const {
    RescueStatus s;
    s.phase = map_.currentPhase;
    s.position = map_.currentPos;
    s.size = map_.size();
    s.rescued = map_.bytesIn(BlockState::Rescued);
    for (BlockState bad : {BlockState::NotTrimmed, BlockState::NotScraped, BlockState::Bad}) {
        s.badAreas += map_.areasIn(bad);
        s.badBytes += map_.bytesIn(bad);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
    s.averageRate = seconds > 0 ? static_cast<std::uint64_t>(double(readThisRun_) / seconds) : 0;
    s.rate = rate_ > 0 ? rate_ : s.averageRate; // the first second has no rate of its own
    const std::uint64_t left = map_.bytesIn(BlockState::NotTried) +
                               map_.bytesIn(BlockState::NotTrimmed) +
                               map_.bytesIn(BlockState::NotScraped);
    s.secondsLeft = s.averageRate > 0 ? (left + s.averageRate - 1) / s.averageRate : 0;
    s.slowAreas = slow_.size();
    return s;
}

} // namespace qr::rescue
