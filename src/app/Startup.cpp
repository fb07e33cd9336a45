#include "app/Startup.h"

#include "app/Wizard.h"
#include "platform/RegistryStore.h"

#include <filesystem>
#include <system_error>

namespace qr::app {

StartupResult InitialiseMainWindow(RecoveryContext& ctx, WizardView& view,
                                   const std::function<void(RecoveryContext&)>& listDisks) {
    ctx.installationPath =
        ctx.registry
            ? platform::ReadRegistryString(*ctx.registry, platform::RegistryRoot::ClassesRoot,
                                           kInstallKey, kInstallValue)
            : std::string();
    if (ctx.installationPath.empty()) {
        ctx.messages->error("Quarrixdale Recovery-Memory Card is not installed properly");
        return StartupResult::NotInstalled;
    }
    view.setSingleColumn(item::kFileList, " Disk Details", 485);
    if (listDisks)
        listDisks(ctx);
    ctx.wizardStage = 0;
    // The Save, Save Log and Load Log image buttons stay enabled: their handlers check
    // the step themselves, and in Raw mode the log buttons answer with their message.
    for (int id : {item::kMenuSelectAll, item::kMenuSave, item::kMenuSaveLog, item::kMenuLoadLog,
                   item::kQuickMode, item::kAdvancedMode, item::kRawMode, item::kNext, item::kBack})
        view.enableItem(id, false);
    std::error_code ec;
    auto temp = std::filesystem::temp_directory_path(ec);
    view.setItemText(item::kFolderField, ec ? std::string("/tmp") : temp.string());
    view.setItemText(item::kStatusLine, wizard_text::kDiskStep);
    if (ctx.emptyDiskSlotSeen && !ctx.anyDiskFound)
        return StartupResult::NoMedia;
    return StartupResult::Ready;
}

std::string RegisteredOwnerText(RecoveryContext& ctx) {
    if (!ctx.registry)
        return "\r\n";
    const std::string key = ctx.platform == PlatformFamily::Win95
                                ? "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows"
                                : "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    auto read = [&](const char* name) {
        return platform::ReadRegistryString(*ctx.registry, platform::RegistryRoot::LocalMachine,
                                            key, name);
    };
    return read("RegisteredOwner") + "\r\n" + read("RegisteredOrganization");
}

} // namespace qr::app
