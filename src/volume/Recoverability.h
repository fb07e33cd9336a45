#pragma once
// How much of a deleted file is still on the medium, judged from the allocation state
// its clusters have now (a cluster another file holds no longer has the deleted
// file's bytes) and from the content check of its first bytes.
#include "volume/ContentCheck.h"

#include <cstdint>
#include <string_view>

namespace qr::volume {

enum class Recoverability {
    Intact,            // every cluster the save would read is free and the start fits
    PartlyOverwritten, // some of them are taken by other files
    Overwritten,       // all of them are taken, or the start is another format
    Unknown,           // nothing could be located or read
};

// "intact", "partly overwritten", "overwritten", "unknown".
std::string_view RecoverabilityText(Recoverability recoverability);

// The clusters a save of the file would read, and how many of them other files hold.
// `missing`: clusters the size needs that lie past the volume (counted as lost).
struct ClusterTally {
    std::uint64_t total = 0;
    std::uint64_t taken = 0;
    std::uint64_t missing = 0;
};

// The judgement from the tally and the content check of the file's first bytes. A
// file without clusters (empty) is intact.
Recoverability JudgeRecoverability(const ClusterTally& tally, ContentVerdict content);

} // namespace qr::volume
