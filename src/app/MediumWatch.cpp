#include "app/MediumWatch.h"

#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"

#include <algorithm>

namespace qr::app {

MediumWatch::MediumWatch(RecoveryContext& context, std::uint64_t end) : context_(context) {
    const std::uint64_t before = context.reader ? context.reader->mediumSectors() : 0;
    needed_ = std::min(before, end);
}

std::optional<std::uint64_t> MediumWatch::stoppedAt() {
    if (needed_ == 0 || !context_.reader)
        return std::nullopt;
    // A fresh handle: one kept open may still tell the size the medium had.
    context_.reader->release();
    const std::uint64_t now = context_.reader->mediumSectors();
    if (now >= needed_)
        return std::nullopt;
    return now;
}

std::string MediumStoppedText(std::uint64_t sector) {
    return "The medium stopped answering at sector " + std::to_string(sector) +
           "; the search shows only what was found before it.";
}

bool ReportMediumLoss(RecoveryContext& context, MediumWatch& watch) {
    const std::optional<std::uint64_t> at = watch.stoppedAt();
    context.mediumLostAt = at;
    if (!at)
        return false;
    if (context.messages)
        context.messages->error(MediumStoppedText(*at));
    return true;
}

} // namespace qr::app
