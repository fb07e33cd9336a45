#pragma once
// The pictures, videos, sounds and other files found at sector starts: at each sector
// start of a window the header tests of the rows its first byte may start; a candidate
// of a ticked kind (or of a kind a ticked row refines) is measured through its own
// structure and, when that holds together, written at that length. Headers inside a
// file already written are not taken up again; its end is where the search goes on.
// Candidates whose structure is broken are passed over, and the next sector is tried;
// a JPEG whose data breaks or a video whose chunks do not follow is written from two
// fragments when its continuation is found (raw/ReassembledFile.h), and the search
// goes on behind its first fragment.
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

    explicit MediaSearch(const CarveTarget& target);

    // Looks at the `sectors` sectors held at the start of `window`, the first of which
    // is `firstSector`.
    bool take(disk::ByteView window, std::uint64_t firstSector, std::uint32_t sectors,
              const Written& written);

    // The running number of the pictures and videos (their own, apart from the
    // documents').
    std::uint64_t fileNumber() const { return number_; }

private:
    const CarveTarget& target_;
    RawKindSet wanted_{};        // the rows ticked themselves or through a row refining them
    std::uint64_t resumeAt_ = 0; // first sector behind the last file measured
    std::uint64_t number_ = 0;
};

// True when some picture or video kind is ticked.
bool AnyMediaKind(const RawKindSet& kinds);
// True when some kind of the window rules is ticked.
bool AnyDocumentKind(const RawKindSet& kinds);

} // namespace qr::raw
