#include "output/OpenWithShell.h"

#include "platform/Programs.h"

namespace qr::output {

int PosixProcessLauncher::run(const std::vector<std::string>& argv) {
    return platform::RunAndWait(argv);
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
