#pragma once
// The installer's windows under test: a home of their own and the files to install.
#include "SetupHooks.h"
#include "platform/FileRegistryStore.h"
#include "setup/InstallerFiles.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QString>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace qr::test {

namespace fs = std::filesystem;

// Saves a picture of the window as setup-NAME.png when QR_SCREENSHOT_DIR is set.
inline void setupScreenshot(QWidget* widget, const std::string& name) {
    if (const char* folder = std::getenv("QR_SCREENSHOT_DIR"))
        widget->grab().save(QString("%1/setup-%2.png").arg(folder, QString::fromStdString(name)));
}

// Runs `fn` on the modal dialog of type T once it is open. Each pending timer holds
// the only copy of `fn`, so nothing is left behind once it ran.
template <class T> void pollForModal(std::function<void(T*)> fn) {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
        fn(dialog);
        return;
    }
    QTimer::singleShot(10, [fn = std::move(fn)]() mutable { pollForModal<T>(std::move(fn)); });
}

template <class T> void whenModal(std::function<void(T*)> fn) {
    QTimer::singleShot(0, [fn = std::move(fn)]() mutable { pollForModal<T>(std::move(fn)); });
}

// A home of its own (menu, Desktop, registry store) and a folder holding the
// files the installer copies; the installer runs with that folder as its current one.
class InstallerHome {
public:
    TempDir root;
    fs::path home = root / "home";
    fs::path source = root / "source";
    fs::path registryFile = root / "registry";
    qr::platform::FileRegistryStore registry{registryFile};
    ScriptedMessages messages;
    std::deque<std::optional<QString>> chosenFolders;
    std::vector<QString> launched;
    int exits = 0;
    int pauses = 0;
    std::function<void()> onPause;
    fs::path oldCwd = fs::current_path();

    InstallerHome() {
        fs::create_directories(home / ".config");
        fs::create_directories(home / "Bureau");
        std::ofstream(home / ".config" / "user-dirs.dirs") << "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n";
        setenv("HOME", home.c_str(), 1);
        unsetenv("XDG_DATA_HOME");
        unsetenv("XDG_CONFIG_HOME");
        setenv("QUARRIXDALE_REGISTRY", registryFile.c_str(), 1);
        fs::create_directories(source);
        for (const std::string& name : qr::setup::kInstalledFiles)
            fs::copy_file(fs::path(SETUP_FOLDER) / name, source / name);
        fs::current_path(source);
    }
    ~InstallerHome() { fs::current_path(oldCwd); }
    InstallerHome(const InstallerHome&) = delete;
    InstallerHome& operator=(const InstallerHome&) = delete;

    setupgui::SetupHooks hooks() {
        setupgui::SetupHooks h;
        h.messages = &messages;
        h.registry = &registry;
        h.registryFile = registryFile;
        h.chooseFolder = [this](QWidget*, const QString& title) -> std::optional<QString> {
            EXPECT_EQ(title, "Select drive/folder for installation:");
            std::optional<QString> next;
            if (!chosenFolders.empty()) {
                next = chosenFolders.front();
                chosenFolders.pop_front();
            }
            return next;
        };
        h.pause = [this](std::chrono::milliseconds wait) {
            EXPECT_EQ(wait.count(), 200);
            // The fifth pause falls in the middle of the copies.
            if (onPause && ++pauses == 5) {
                onPause();
                onPause = nullptr;
            }
        };
        h.launch = [this](const QString& program) {
            launched.push_back(program);
            return true;
        };
        h.exitProcess = [this] { ++exits; };
        return h;
    }
};

} // namespace qr::test
