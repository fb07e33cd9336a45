#include "output/OpenWithShell.h"

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace qr::output {

int PosixProcessLauncher::run(const std::vector<std::string>& argv) {
    if (argv.empty())
        return -1;
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ShellOpen OpenWithShell(const std::string& path, ProcessLauncher& launcher,
                        ProgramChooser* chooser) {
    const int status = launcher.run({"xdg-open", path});
    if (status == 0)
        return ShellOpen::Opened;
    const bool noAssociation = status == 3 || status == 4;
    if (!noAssociation || !chooser)
        return ShellOpen::NotOpened;
    const std::string program = chooser->chooseProgram(path);
    if (program.empty())
        return ShellOpen::NotOpened;
    return launcher.run({program, path}) == 0 ? ShellOpen::OpenedWithChosenProgram
                                              : ShellOpen::NotOpened;
}

} // namespace qr::output
