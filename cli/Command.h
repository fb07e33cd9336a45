#pragma once
// Sub-commands of recovery-cli register themselves here, one file each.
#include <functional>
#include <string>
#include <vector>

namespace qr::cli {

struct CommandLine {
    std::vector<std::string> images; // --image FILE (repeatable), before the command
    std::vector<std::string> args;   // everything after the command name
};

using CommandFn = std::function<int(const CommandLine&)>;

struct Command {
    std::string name;
    std::string usage;
    CommandFn run;
};

std::vector<Command>& commands();

struct RegisterCommand {
    RegisterCommand(std::string name, std::string usage, CommandFn run);
};

} // namespace qr::cli
