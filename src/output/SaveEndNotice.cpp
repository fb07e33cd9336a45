#include "output/SaveEndNotice.h"

namespace qr::output {

std::string SaveEndNotice(const SaveSummary& summary) {
    const std::uint32_t n = summary.withUnreadable;
    if (n == 0)
        return {};
    return std::to_string(n) + (n == 1 ? " file was" : " files were") +
           " saved with zeros where the medium could not be read. The recovered " +
           (n == 1 ? "file is" : "files are") + " incomplete.";
}

} // namespace qr::output
