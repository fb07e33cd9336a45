// report --disk N (--partition K | --fs NAME --start S --end E) [--stop-after-sectors N]
//        [--directory-list FILE]:
// runs the Standard search and prints its recovery details, one line each; with
// --directory-list, also writes the rebuilt tree's directory-list lines to FILE (each
// ended by CR LF, as the window's Directory List view file).
#include "SearchedVolume.h"
#include "app/SearchReport.h"
#include "output/DirectoryList.h"

#include <iostream>
#include <string>

namespace qr::cli {
namespace {

int runReport(const CommandLine& line) {
    CommandLine search = line;
    std::string listFile;
    search.args.clear();
    for (std::size_t i = 0; i < line.args.size(); ++i) {
        if (line.args[i] != "--directory-list") {
            search.args.push_back(line.args[i]);
        } else if (i + 1 < line.args.size()) {
            listFile = line.args[++i];
        } else {
            std::cerr << "recovery-cli: --directory-list needs a file name\n";
            return 2;
        }
    }
    int exitCode = 0;
    auto session = SearchVolume(search, "report", {"FAT16", "FAT32"}, std::cerr, exitCode);
    if (!session)
        return exitCode;
    app::RecoveryContext& ctx = *session->context;
    for (const std::string& detail : app::RecoveryDetailLines(ctx))
        std::cout << detail << '\n';
    if (!listFile.empty()) {
        const auto lines =
            output::DirectoryListLines(ctx.recoveryTree, ctx.recoveryTree.firstTopLevel());
        if (!output::WriteDirectoryListFile(listFile, lines, "\r\n")) {
            std::cerr << "recovery-cli: cannot write the directory list to '" << listFile << "'\n";
            return 1;
        }
    }
    return 0;
}

RegisterCommand reg{"report",
                    "[--disk N] (--partition K | --fs FAT16|FAT32 --start S --end E) "
                    "[--stop-after-sectors N] [--directory-list FILE]  run the Standard search, "
                    "print its recovery details and write the directory list to FILE",
                    runReport};

} // namespace
} // namespace qr::cli
