#include "volume/VolumeSearch.h"

#include <algorithm>
#include <vector>

namespace qr::volume {
namespace {

constexpr std::uint64_t kFineStep = 64;
constexpr std::uint64_t kMiB = 2048;
constexpr std::uint64_t kNone = ~std::uint64_t{0};

} // namespace

SearchCandidates::SearchCandidates(const VolumeSearchPlan& plan, std::uint64_t end)
    : end_(end), cylinderSectors_(plan.cylinderSectors), track_(plan.sectorsPerTrack) {
    // The cylinder grid stops at the geometry's last cylinder; no product overflows.
    cylinderEnd_ = cylinderSectors_ == 0                      ? 0
                   : plan.cylinders > end_ / cylinderSectors_ ? end_
                                                              : plan.cylinders * cylinderSectors_;
    trackSector_ = track_ < cylinderSectors_ ? track_ : kNone;
    if (cylinderEnd_ == 0)
        cylinder_ = trackSector_ = kNone;
}

bool SearchCandidates::next(std::uint64_t& sector) {
    const std::uint64_t fine = fine_ < kMiB ? fine_ : kNone;
    const std::uint64_t cylinder = cylinder_ < cylinderEnd_ ? cylinder_ : kNone;
    const std::uint64_t track = trackSector_ < cylinderEnd_ ? trackSector_ : kNone;
    sector = std::min({fine, mib_, cylinder, track});
    if (sector >= end_)
        return false;
    // Every sequence standing on this sector moves on, so none is handed twice.
    if (fine == sector)
        fine_ += kFineStep;
    if (mib_ == sector)
        mib_ += kMiB;
    if (cylinder == sector)
        cylinder_ += cylinderSectors_;
    if (track == sector)
        trackSector_ += cylinderSectors_;
    return true;
}

VolumeSearchOutcome
SearchVolumes(disk::SectorSource& source, const VolumeSearchPlan& plan, std::stop_token stop,
              const std::function<bool(const FoundVolumeAt&)>& found,
              const std::function<void(std::uint64_t, std::uint64_t)>& progress) {
    VolumeSearchOutcome outcome;
    const std::uint64_t disk = source.sectorCount();
    std::uint64_t end = disk;
    // A medium that does not tell its size is searched as far as its geometry reaches.
    constexpr std::uint64_t kNoEnd = ~std::uint64_t{0};
    if (end == 0 && plan.cylinderSectors > 0)
        end = plan.cylinders > kNoEnd / plan.cylinderSectors
                  ? kNoEnd
                  : plan.cylinders * plan.cylinderSectors;
    const std::uint64_t subSectors = std::max<std::uint64_t>(plan.subSectors, 1);

    SearchCandidates candidates(plan, end);
    // A candidate and the sectors up to the farthest backup boot sector, in one request;
    // its offset counts the volume's own sectors, taken to be the medium's (reading as
    // far for every size would read each candidate eight times over).
    const auto candidateRun = static_cast<std::uint32_t>(FarthestBackupOffset() * subSectors + 1);
    std::vector<unsigned char> run(std::size_t{candidateRun} * disk::kSectorBytes);
    std::uint64_t coveredUntil = 0; // the end of the last volume found
    std::uint64_t at = 0;
    std::uint64_t lastReport = 0;
    while (candidates.next(at)) {
        if (stop.stop_requested()) {
            outcome.end = VolumeSearchEnd::Stopped;
            return outcome;
        }
        if (at < coveredUntil || at % subSectors != 0)
            continue;
        const auto count =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(candidateRun, end - at));
        std::fill(run.begin(), run.end(), 0);
        if (source.readSectors(at, count, run.data()) == disk::ReadStatus::NoMedium) {
            outcome.end = VolumeSearchEnd::MediumLost;
            return outcome;
        }
        ++outcome.candidates;
        outcome.sectorsRead += count;
        const disk::ByteView bytes(run.data(), std::size_t{count} * disk::kSectorBytes);
        auto volume = RecogniseBootSector(bytes.sub(0, disk::kSectorBytes), at, disk);
        if (!volume)
            volume = RecogniseBackupBootSector(bytes, at, disk);
        if (volume) {
            coveredUntil = at + volume->sectors;
            if (!found({volume->kind, at, at + volume->sectors, volume->sectorBytes})) {
                outcome.end = VolumeSearchEnd::Stopped;
                return outcome;
            }
        }
        // Progress about every 64 MiB, so a large disk is not slowed by it.
        if (progress && at - lastReport >= 64 * kMiB) {
            lastReport = at;
            progress(at, end);
        }
    }
    if (progress)
        progress(end, end);
    return outcome;
}

} // namespace qr::volume
