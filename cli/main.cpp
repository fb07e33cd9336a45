// recovery-cli: the headless front end over the recovery engines.
#include "Command.h"
#include "platform/PlatformChoice.h"

#include <algorithm>
#include <iostream>

namespace qr::cli {

std::vector<Command>& commands() {
    static std::vector<Command> all;
    return all;
}

RegisterCommand::RegisterCommand(std::string name, std::string usage, CommandOptions options,
                                 CommandFn run) {
    commands().push_back({std::move(name), std::move(usage), std::move(options), std::move(run)});
}

} // namespace qr::cli

namespace {

int usage(std::ostream& out) {
    out << "usage: recovery-cli [--platform N|F] [--image FILE [--map MAPFILE]]... COMMAND "
           "[ARGS]\n\ncommands:\n";
    auto list = qr::cli::commands();
    std::sort(list.begin(), list.end(), [](auto& a, auto& b) { return a.name < b.name; });
    for (const auto& c : list)
        out << "  " << c.name << " " << c.usage << "\n";
    return qr::cli::kUsageExit;
}

} // namespace

int main(int argc, char** argv) {
    qr::cli::CommandLine line;
    int i = 1;
    for (; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--image") {
            if (i + 1 >= argc || !*argv[i + 1]) {
                std::cerr << "recovery-cli: --image needs a file\n";
                return usage(std::cerr);
            }
            line.images.emplace_back(argv[++i]);
            // A rescue map may follow its image: what it did not rescue reads as unreadable.
            if (i + 2 < argc && std::string(argv[i + 1]) == "--map") {
                if (!*argv[i + 2]) {
                    std::cerr << "recovery-cli: --map needs a file\n";
                    return usage(std::cerr);
                }
                line.imageMaps[line.images.size() - 1] = argv[i + 2];
                i += 2;
            }
        } else if (arg == "--platform") {
            if (i + 1 >= argc || !qr::platform::ChoosePlatformFamily(argv[i + 1])) {
                std::cerr << "recovery-cli: --platform takes N or F\n";
                return usage(std::cerr);
            }
            ++i;
        } else if (arg == "-h" || arg == "--help") {
            usage(std::cout);
            return 0;
        } else {
            break;
        }
    }
    if (i >= argc)
        return usage(std::cerr);
    const std::string name = argv[i++];
    for (; i < argc; ++i)
        line.args.emplace_back(argv[i]);
    for (const auto& c : qr::cli::commands())
        if (c.name == name)
            return qr::cli::ParseArguments(c, line, std::cerr) ? c.run(line) : qr::cli::kUsageExit;
    std::cerr << "recovery-cli: unknown command '" << name << "'\n";
    return usage(std::cerr);
}
