#include "support/MmlsListing.h"

#include "support/TestSupport.h"

#include <sstream>

namespace qr::test {

std::vector<std::string> MmlsPartitions(const std::filesystem::path& image,
                                        const std::string& options) {
    std::istringstream lines(runOrFail("mmls " + options + " " + shellQuote(image.string())));
    std::vector<std::string> out;
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string slot, kind;
        std::uint64_t start = 0, end = 0;
        // "004:  000       0000002048   0000133119   0000131072   FAT32 part" (GPT) or
        // "002:  000:000   0000000256   0000071935   0000071680   Win95 FAT32 (0x0c)" (MBR)
        if (fields >> slot >> kind >> start >> end &&
            kind.find_first_not_of("0123456789:") == std::string::npos)
            out.push_back(std::to_string(start) + " " + std::to_string(end + 1));
    }
    return out;
}

std::vector<std::string> ListedPartitions(const std::string& listing) {
    std::istringstream lines(listing);
    std::vector<std::string> out;
    std::string line;
    while (std::getline(lines, line)) {
        const auto tab = line.find('\t');
        const auto tab2 = line.find('\t', tab + 1);
        out.push_back(line.substr(tab + 1, tab2 - tab - 1) + " " + line.substr(tab2 + 1));
    }
    return out;
}

} // namespace qr::test
