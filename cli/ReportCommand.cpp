// report: the options of list, and [--directory-list FILE]:
// runs the search and prints its recovery details, one line each; with
// --directory-list, also writes the rebuilt tree's directory-list lines to FILE (each
// ended by CR LF, as the window's Directory List view file).
#include "PartitionSession.h"
#include "SearchedVolume.h"
#include "app/SearchReport.h"
#include "output/DirectoryList.h"

#include <iostream>
#include <string>

namespace qr::cli {
namespace {

int runReport(const CommandLine& line) {
    const auto listOption = line.values.find("--directory-list");
    const std::string listFile = listOption == line.values.end() ? "" : listOption->second;
    int exitCode = 0;
    auto session = SearchVolume(line, "report", KnownFileSystems(), std::cerr, exitCode);
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

RegisterCommand reg{
    "report",
    "[--disk N] (--partition K | --fs " + FileSystemChoices() +
        " --start S --end E | --log "
        "FILE) [--stop-after-sectors N] [--mode standard|advanced [--file-system N]] "
        "[--directory-list FILE]  run the search, print its recovery details and "
        "write the directory list to FILE",
    {[] {
        std::vector<OptionSpec> options = SearchOptions();
        options.push_back({"--directory-list"});
        return options;
    }()},
    runReport};

} // namespace
} // namespace qr::cli
