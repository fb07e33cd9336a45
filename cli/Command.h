#pragma once
// Sub-commands of recovery-cli register themselves here, one file each, with the
// options they take; one parser reads every command's arguments against that list.
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace qr::cli {

// One option a command takes: "--name VALUE", or "--name" alone when it is a flag.
struct OptionSpec {
    std::string name;
    bool takesValue = true;
};

struct CommandOptions {
    std::vector<OptionSpec> options;
    bool operands = false; // words that are not options (paths) may follow
};

struct CommandLine {
    std::vector<std::string> images; // --image FILE (repeatable), before the command
    // The rescue map given after an image (--image FILE --map MAPFILE), by image index.
    std::map<std::size_t, std::string> imageMaps;
    std::vector<std::string> args; // everything after the command name
    // Read from `args` by ParseArguments: each option given with its value (empty for a
    // flag), and the operands in order.
    std::map<std::string, std::string> values;
    std::vector<std::string> operands;
};

using CommandFn = std::function<int(const CommandLine&)>;

struct Command {
    std::string name;
    std::string usage;
    CommandOptions options;
    CommandFn run;
};

std::vector<Command>& commands();

struct RegisterCommand {
    RegisterCommand(std::string name, std::string usage, CommandOptions options, CommandFn run);
};

// Exit status for arguments that cannot be used.
inline constexpr int kUsageExit = 2;
// Exit status of a search whose medium stopped answering part way (it shrank or went
// away): the output holds what was found before.
inline constexpr int kMediumLostExit = 4;

// Reads `line.args` against the command's options into `line.values` and
// `line.operands`. An unknown option, a missing or empty value, an option given twice
// or an operand the command does not take is refused: false after printing what is
// wrong and the command's usage line to `err`. "--name=VALUE" is read as "--name VALUE";
// after "--" every word is an operand.
bool ParseArguments(const Command& command, CommandLine& line, std::ostream& err);

// The usage line of one command.
std::string UsageLine(const Command& command);

} // namespace qr::cli
