#include "output/SaveEndNotice.h"

namespace qr::output {

std::string SaveEndNotice(const SaveSummary& summary) {
    std::string notice;
    if (const std::uint32_t n = summary.withUnreadable; n > 0)
        notice = std::to_string(n) + (n == 1 ? " file was" : " files were") +
                 " saved with zeros where the medium could not be read. The recovered " +
                 (n == 1 ? "file is" : "files are") + " incomplete.";
    if (const std::uint32_t n = summary.renamed; n > 0)
        notice += std::string(notice.empty() ? "" : "\n") + std::to_string(n) +
                  (n == 1 ? " file was" : " files were") +
                  " saved under a numbered name, as \"name (2).ext\": another file of the "
                  "save had the same name in the same folder.";
    return notice;
}

} // namespace qr::output
