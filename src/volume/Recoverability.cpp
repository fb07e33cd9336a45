#include "volume/Recoverability.h"

namespace qr::volume {

std::string_view RecoverabilityText(Recoverability recoverability) {
    switch (recoverability) {
    case Recoverability::Intact:
        return "intact";
    case Recoverability::PartlyOverwritten:
        return "partly overwritten";
    case Recoverability::Overwritten:
        return "overwritten";
    case Recoverability::Unknown:
        break;
    }
    return "unknown";
}

Recoverability JudgeRecoverability(const ClusterTally& tally, ContentVerdict content) {
    const std::uint64_t needed = tally.total + tally.missing;
    const std::uint64_t lost = tally.taken + tally.missing;
    if (needed == 0)
        return Recoverability::Intact;
    // The first bytes are another format's: whatever the allocation says, the
    // clusters were written again after the file was deleted.
    if (content == ContentVerdict::Contradicts || lost >= needed)
        return Recoverability::Overwritten;
    return lost > 0 ? Recoverability::PartlyOverwritten : Recoverability::Intact;
}

} // namespace qr::volume
