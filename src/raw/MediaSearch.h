#pragma once
// The pictures and videos of the raw search: at each sector start of a window the
// quick header test; a candidate of a ticked kind is measured through its own
// structure and, when that holds together, written at that length. Headers inside a
// file already written are not taken up again; its end is where the search goes on.
// Candidates whose structure is broken are passed over, and the next sector is tried.
#include "disk/ByteView.h"
#include "raw/CarvedFile.h"

#include <cstdint>
#include <functional>

namespace qr::raw {

class MediaSearch {
public:
    // Called for every file measured, with the result of writing it; false ends the
    // window (a stop, a lost medium).
    using Written = std::function<bool(const CarvedFile&, CarveResult)>;

    explicit MediaSearch(const CarveTarget& target) : target_(target) {}

    // Looks at the `sectors` sectors held at the start of `window`, the first of which
    // is `firstSector`.
    bool take(disk::ByteView window, std::uint64_t firstSector, std::uint32_t sectors,
              const Written& written);

    // The running number of the pictures and videos (their own, apart from the
    // documents').
    std::uint64_t fileNumber() const { return number_; }

private:
    const CarveTarget& target_;
    std::uint64_t resumeAt_ = 0; // first sector behind the last file measured
    std::uint64_t number_ = 0;
};

// True when some picture or video kind is ticked.
bool AnyMediaKind(const RawKindSet& kinds);
// True when some of the four document kinds is ticked.
bool AnyDocumentKind(const RawKindSet& kinds);

} // namespace qr::raw
