#include "platform/Programs.h"

#include <cerrno>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace qr::platform {

int RunAndWait(const std::vector<std::string>& argv) {
    if (argv.empty())
        return -1;
    std::vector<std::string> copies = argv;
    std::vector<char*> args;
    for (std::string& a : copies)
        args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ProgramFolder() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.parent_path().string();
}

int PosixProgramRunner::runAndWait(const std::string& program) {
    // A full path, so posix_spawnp does not search PATH; the one argument is empty.
    return RunAndWait({program, ""});
}

bool XdgShellOpener::open(const std::string& target) {
    // A shell starts xdg-open in the background and exits at once: the call does not
    // wait for the application, and the opener never stays a zombie of this process.
    return RunAndWait({"/bin/sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &", "sh",
                       target}) == 0;
}

} // namespace qr::platform
