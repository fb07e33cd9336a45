#include "VolumeLog.h"

#include "app/RecoveryLogCommands.h"
#include "disk/DiskRegistry.h"
#include "platform/RegistryStore.h"

#include <algorithm>
#include <ostream>

namespace qr::cli {

void TakeDiskModel(app::RecoveryContext& ctx, std::uint16_t disk) {
    if (ctx.registry)
        ctx.diskModel =
            platform::ReadRegistryString(*ctx.registry, platform::RegistryRoot::ClassesRoot,
                                         disk::kModelKey, disk::diskValueName(disk));
}

bool LoadVolumeLog(app::RecoveryContext& ctx, const std::string& path, std::uint16_t disk,
                   const std::vector<std::string>& fileSystems, const std::string& command,
                   std::ostream& err) {
    ctx.selectedDiskNumber = disk;
    TakeDiskModel(ctx, disk);
    app::LogReadOutcome read = app::ReadRecoveryLog(path, ctx.diskModel);
    switch (read.outcome) {
    case app::LogLoadOutcome::Loaded:
        break;
    case app::LogLoadOutcome::CannotOpen:
        err << "recovery-cli: " << output::kUnableToOpenFile << ": " << path << "\n";
        return false;
    case app::LogLoadOutcome::WrongDisk:
        err << "recovery-cli: " << app::kWrongDisk << " (disk " << disk << " is '" << ctx.diskModel
            << "')\n";
        return false;
    default:
        err << "recovery-cli: " << app::kErrorInFile << ": " << path << ": " << read.problem
            << "\n";
        return false;
    }
    const std::string& name = read.log->fileSystemName;
    if (std::find(fileSystems.begin(), fileSystems.end(), name) == fileSystems.end()) {
        err << "recovery-cli: the log holds a search of "
            << (name.empty() ? "no known file system" : name) << "; " << command
            << " does not take it\n";
        return false;
    }
    app::RestoreRecoveryLog(ctx, *read.log);
    ctx.wizardStage = 3;
    return true;
}

bool SaveVolumeLog(const CommandLine& line, const app::RecoveryContext& ctx, std::ostream& err) {
    const std::optional<std::string> path = option(line, "--save-log");
    if (!path)
        return true;
    switch (app::WriteRecoveryLog(ctx, *path)) {
    case output::LogWriteResult::Written:
        return true;
    case output::LogWriteResult::CannotOpen:
        err << "recovery-cli: " << output::kUnableToOpenFile << ": " << *path << "\n";
        return false;
    case output::LogWriteResult::CannotWrite:
        err << "recovery-cli: " << output::kUnableToWriteFile << ": " << *path << "\n";
        return false;
    }
    return false;
}

} // namespace qr::cli
