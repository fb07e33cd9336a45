#pragma once
// Notices a medium that shrinks or goes away while a search reads it (an image
// truncated, a card pulled out): reads behind its new end give zeros that look like an
// empty medium, so the search compares the medium's size before and after.
#include <cstdint>
#include <optional>
#include <string>

namespace qr::app {

struct RecoveryContext;

class MediumWatch {
public:
    // Takes the medium's size as the search begins; the search reads up to `end`
    // (the first sector behind the searched range).
    MediumWatch(RecoveryContext& context, std::uint64_t end);

    // The first sector the medium no longer answers for, when it now ends before the
    // searched range did (0: it cannot be opened at all); nullopt when it still holds
    // every sector the search read.
    std::optional<std::uint64_t> stoppedAt();

private:
    RecoveryContext& context_;
    std::uint64_t needed_ = 0;
};

// "The medium stopped answering at sector N; ..." for the user.
std::string MediumStoppedText(std::uint64_t sector);

// Checks the medium after a search: records where it stopped answering in the context
// and tells the user through its messages. True when it did stop.
bool ReportMediumLoss(RecoveryContext& context, MediumWatch& watch);

} // namespace qr::app
