#include "Command.h"

#include <algorithm>
#include <ostream>

namespace qr::cli {

namespace {

const OptionSpec* find(const CommandOptions& options, const std::string& name) {
    const auto it = std::find_if(options.options.begin(), options.options.end(),
                                 [&](const OptionSpec& o) { return o.name == name; });
    return it == options.options.end() ? nullptr : &*it;
}

bool looksLikeOption(const std::string& word) {
    return word.size() > 1 && word[0] == '-';
}

} // namespace

std::string UsageLine(const Command& command) {
    return "usage: recovery-cli [--image FILE]... " + command.name + " " + command.usage;
}

bool ParseArguments(const Command& command, CommandLine& line, std::ostream& err) {
    const auto refuse = [&](const std::string& what) {
        err << "recovery-cli: " << command.name << ": " << what << "\n"
            << UsageLine(command) << "\n";
        return false;
    };
    line.values.clear();
    line.operands.clear();
    bool onlyOperands = false;
    for (std::size_t i = 0; i < line.args.size(); ++i) {
        const std::string& word = line.args[i];
        if (onlyOperands || !looksLikeOption(word)) {
            if (!command.options.operands)
                return refuse("unexpected argument '" + word + "'");
            line.operands.push_back(word);
            continue;
        }
        if (word == "--") {
            onlyOperands = true;
            continue;
        }
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(0, equals);
        const OptionSpec* spec = find(command.options, name);
        if (!spec)
            return refuse("unknown option '" + name + "'");
        if (line.values.count(name))
            return refuse("option " + name + " given more than once");
        std::string value;
        if (!spec->takesValue) {
            if (equals != std::string::npos)
                return refuse("option " + name + " takes no value");
        } else if (equals != std::string::npos) {
            value = word.substr(equals + 1);
        } else if (i + 1 < line.args.size() && !find(command.options, line.args[i + 1])) {
            value = line.args[++i];
        } else {
            return refuse("option " + name + " needs a value");
        }
        if (spec->takesValue && value.empty())
            return refuse("option " + name + " needs a value, not an empty one");
        line.values[name] = value;
    }
    return true;
}

} // namespace qr::cli
