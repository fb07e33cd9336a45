#pragma once
// Typed progress of a search. Engines report phases, positions and counters; one
// adapter in app/ renders the window's texts from them, the CLI draws its own
// progress line, and tests read the numbers. Engines never format a caption.
#include <cstdint>

namespace qr::volume {

enum class SearchPhase {
    DirectoryScan,        // FAT directory heads, cluster by cluster (position: sectors)
    LayoutReconstruction, // a damaged FAT layout rebuilt from its directories
    LostDirectories,      // folders whose parent was not found go under Lost
    StoringTree,          // the folder tree is built
    AdvancedSweep,        // boot sectors and directory clusters of a sector range
    Inference,            // file systems inferred from what a sweep found
    InferencePairs,       // FAT: further file systems from pairs of directory heads alone
    MftWalk,              // the MFT of a valid NTFS volume (position: records)
    MftSweep,             // FILE and INDX records of a sector range
    Assignment,           // MFT numbers assigned to swept records (position: index records)
    AssignmentRunning,    // the rest of the records numbered on from the last known one
    DirectoryList,        // the directory list of the swept records (position: records)
    VolumeMatching,       // directories given to volumes (position: assigned / directories)
    RawSearch,            // documents found by content (position: sectors)
    PartitionSearch,      // boot sectors of a disk whose table failed (position: sectors)
    LogLoad,              // a recovery log read back
    Validation,           // the boot sector of the chosen volume is checked
};

enum class SearchCounter {
    Directories,  // directory heads found
    BootSectors,  // boot sectors found
    MftRecords,   // FILE records found
    IndexRecords, // INDX records found
    Files,        // files found or written
};

class SearchProgress {
public:
    virtual ~SearchProgress() = default;
    virtual void phase(SearchPhase phase) = 0;
    // Where the phase is: `position` of `total` in the phase's unit (absolute sectors
    // for sweeps, so a sector caption can show them as they are).
    virtual void position(std::uint64_t position, std::uint64_t total) = 0;
    virtual void counter(SearchCounter counter, std::uint64_t value) = 0;
    // The walk of a Standard search from the root ended with `folders` folders reached;
    // the sweep for lost folders follows (unless the search is of the walk alone). Its
    // rows are whole: what watches may show the walked tree while the sweep runs.
    virtual void walkEnded(std::uint64_t folders) { (void)folders; }
};

// How much of a Standard search runs: the walk from the root and the sweep of the
// volume for the folders no walk reaches, or the walk alone (first results, quickly).
enum class SearchScope { WalkAndSweep, WalkOnly };

// For callers that do not watch.
class NoProgress final : public SearchProgress {
public:
    void phase(SearchPhase) override {}
    void position(std::uint64_t, std::uint64_t) override {}
    void counter(SearchCounter, std::uint64_t) override {}
};

} // namespace qr::volume
