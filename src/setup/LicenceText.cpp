#include "setup/LicenceText.h"

namespace qr::setup {

// One paragraph per line; the licence box wraps them.
const std::vector<std::string>& LicenceLines() {
    static const std::vector<std::string> lines = {
        "QUARRIXDALE RECOVERY (EVALUATION) - MEMORY CARD",
        "END-USER LICENCE AGREEMENT",
        "",
        "Please read this agreement before you install the program. By ticking the box below "
        "and clicking ACCEPT you agree to its terms. If you do not agree, click Cancel and do "
        "not install the program.",
        "",
        "1. Licence. You may install and use this evaluation copy of the program on one "
        "computer for the purpose of trying it out.",
        "",
        "2. Your data. The program reads the medium you choose and never writes to it. "
        "Recovered files are written only to the folder you choose, which must lie on another "
        "drive. Keep the damaged medium unchanged until you have recovered what you need.",
        "",
        "3. No warranty. Data recovery depends on what is left on the medium. The program is "
        "provided as it is, without any warranty that a given file can be recovered or that a "
        "recovered file is complete.",
        "",
        "4. Limitation of liability. The makers are not liable for any loss of data, profit or "
        "time arising from the use of, or the inability to use, the program.",
        "",
        "5. Copying. You may not sell, rent or pass on the program as your own, nor remove its "
        "notices.",
        "",
        "6. End. This licence ends when you remove the program from your computer.",
    };
    return lines;
}

} // namespace qr::setup
