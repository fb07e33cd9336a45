#include "raw/RawSearch.h"

#include "disk/Sweep.h"
#include "raw/MediaSearch.h"
#include "raw/WindowRules.h"

#include <algorithm>
#include <chrono>
#include <numeric>

namespace qr::raw {

namespace {
constexpr std::size_t kFilesPerSettle = 64;
constexpr auto kLongestUnsettled = std::chrono::milliseconds(250);
} // namespace

RawSearchResult RunRawSearch(disk::SectorSource& source, const RawSearchOptions& options,
                             CarvedFileOutput& output, RawSearchEvents& events,
                             volume::SearchProgress& progress, std::stop_token stop) {
    RawSearchResult result;
    std::uint64_t end = options.end;
    if (const std::uint64_t medium = source.sectorCount(); medium > 0)
        end = std::min(end, medium);
    result.rangeEnd = end;
    progress.phase(volume::SearchPhase::RawSearch);
    progress.position(options.first, end);
    progress.counter(volume::SearchCounter::Files, 0);
    if (options.first >= end)
        return result;

    WindowRules rules;
    CarvedNames names(options.naming);
    const CarveTarget target{source, end, options.kinds, output, stop, &names};
    bool mediumLost = false;
    // Written files wait to be made durable together: one flush of the destination for
    // many files, and a file is counted only once it is durable.
    std::vector<CarvedFile> pending;
    auto firstPending = std::chrono::steady_clock::now();
    const auto settle = [&] {
        const std::vector<bool> durable = output.settle();
        for (std::size_t i = 0; i < pending.size(); ++i) {
            const CarvedFile& file = pending[i];
            if (i >= durable.size() || !durable[i]) {
                events.fileFailed(file, CarveResult::WriteFailed);
                continue;
            }
            ++result.counts[static_cast<std::size_t>(file.kind)];
            result.reassembled += file.reassembled ? 1 : 0;
            events.fileWritten(file, result.counts);
        }
        pending.clear();
        progress.counter(
            volume::SearchCounter::Files,
            std::accumulate(result.counts.begin(), result.counts.end(), std::uint64_t{0}));
    };
    // Counts a file's outcome; false once the medium is gone.
    const auto account = [&](const CarvedFile& file, CarveResult carved) {
        switch (carved) {
        case CarveResult::Written:
            if (pending.empty())
                firstPending = std::chrono::steady_clock::now();
            pending.push_back(file);
            if (pending.size() >= kFilesPerSettle ||
                std::chrono::steady_clock::now() - firstPending >= kLongestUnsettled)
                settle();
            break;
        case CarveResult::CannotCreate:
        case CarveResult::WriteFailed:
            events.fileFailed(file, carved);
            break;
        case CarveResult::MediumLost:
            mediumLost = true;
            break;
        case CarveResult::NotTicked:
        case CarveResult::Dropped:
        case CarveResult::Stopped:
            break;
        }
        return !mediumLost && !stop.stop_requested();
    };
    const auto decide = [&](const FileDecision& decision) {
        if (mediumLost || stop.stop_requested())
            return;
        CarvedFile file;
        const CarveResult carved = WriteCarvedFile(target, decision, file);
        account(file, carved);
    };
    // The document rules cost a byte-by-byte marker search: only when a document kind is
    // asked for. Pictures and videos only look at sector starts.
    const bool documents = AnyDocumentKind(options.kinds);
    const bool media = AnyMediaKind(options.kinds);
    MediaSearch pictures(target);

    // Whole windows per batch, plus one sector behind them so that an end marker that
    // starts in a window's last bytes is seen; that sector starts the next batch.
    const std::uint32_t windows = std::max<std::uint32_t>(1, options.windowsPerBatch);
    disk::SweepOptions sweep;
    sweep.batchSectors = windows * kWindowSectors + 1;
    sweep.overlapSectors = 1;
    const disk::SweepOutcome outcome = disk::SweepBatches(
        source, {options.first, end}, sweep, stop,
        [&](std::uint64_t firstSector, disk::ByteView bytes) {
            const std::uint64_t held = bytes.size() / disk::kSectorBytes;
            const std::uint64_t batchEnd = firstSector + held;
            const bool lastBatch = batchEnd >= end;
            for (std::uint64_t w = firstSector; w < batchEnd; w += kWindowSectors) {
                // Only the last batch holds a window without the sector behind it.
                if (!lastBatch && w + kWindowSectors >= batchEnd)
                    break;
                if (stop.stop_requested() || mediumLost)
                    return false;
                const auto sectors = static_cast<std::uint32_t>(
                    std::min<std::uint64_t>(kWindowSectors, std::min(end, batchEnd) - w));
                const disk::ByteView window = bytes.from((w - firstSector) * disk::kSectorBytes);
                if (documents)
                    rules.take(SearchWindow(window, w, sectors, rules.hasOpenFile()), decide);
                if (media && !mediumLost && !stop.stop_requested())
                    pictures.take(window, w, sectors, account);
                progress.position(w + sectors, end);
            }
            return !stop.stop_requested() && !mediumLost;
        });
    settle();
    result.fileNumber = rules.fileNumber();
    result.mediaFileNumber = pictures.fileNumber();
    if (outcome.end == disk::SweepEnd::MediumLost || mediumLost)
        result.end = RawSearchEnd::MediumLost;
    else if (outcome.end == disk::SweepEnd::Stopped || stop.stop_requested())
        result.end = RawSearchEnd::Stopped;
    return result;
}

} // namespace qr::raw
