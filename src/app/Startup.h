#pragma once
// The main window's initialisation as far as it concerns the recovery run: the
// installation check, the disk listing and the window's start state.
#include "app/RecoveryContext.h"
#include "app/WizardView.h"

#include <functional>
#include <string>

namespace qr::app {

inline const std::string kInstallKey = "Quarrixdale-Memory Card";
inline const std::string kInstallValue = "InstallationPath";

enum class StartupResult { Ready, NoMedia, NotInstalled };

// Reads installationPath (ending the start with the "not installed" message when it
// is empty), lists the disks through `listDisks`, sets the menu's start state, the
// folder field and the status line. NoMedia: no disk answered, show the No Media dialog.
StartupResult InitialiseMainWindow(RecoveryContext& ctx, WizardView& view,
                                   const std::function<void(RecoveryContext&)>& listDisks);

// The registered owner and organisation joined by "\r\n" (the About box's text item).
std::string RegisteredOwnerText(RecoveryContext& ctx);

} // namespace qr::app
