#pragma once
// What the installer's windows need from outside: messages, the folder picker, the
// registry store, the pauses, the launch of the installed program and the process
// exit. The program fills them with the real ones; tests script them.
#include "platform/RegistryStore.h"
#include "platform/UserMessages.h"

#include <QString>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace qr::setupgui {

struct SetupHooks {
    platform::UserMessages* messages = nullptr;
    platform::RegistryStore* registry = nullptr;
    std::string registryFile;
    // The folder picker: the chosen folder, or nullopt when cancelled.
    std::function<std::optional<QString>(QWidget* owner, const QString& title)> chooseFolder;
    std::function<void(std::chrono::milliseconds)> pause;
    std::function<bool(const QString& program)> launch;
    // "Exit Setup": ends the installer at once.
    std::function<void()> exitProcess;
};

// The real ones: message boxes, the platform's folder dialog, waits that keep the
// progress bar painted, a detached start of the program, exit(0).
SetupHooks DesktopHooks(platform::UserMessages& messages, platform::RegistryStore& registry,
                        const std::string& registryFile);

// Message boxes with the given caption and icon, brought to the front.
class SetupMessageBoxes final : public platform::UserMessages {
public:
    platform::MessageAnswer ask(const std::string& text, const std::string& caption,
                                platform::MessageIcon icon,
                                platform::MessageButtons buttons) override;
};

} // namespace qr::setupgui
