// setup: installs the recovery program from the folder it runs in (its current
// folder, which holds the program files): the wizard, then the closing window.
#include "Finish.h"
#include "First.h"
#include "platform/FileRegistryStore.h"
#include "setup/InstallerFiles.h"
#include "setup/SystemFolders.h"

#include <QApplication>
#include <QScreen>

namespace {

void centre(QWidget& window) {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string registryFile = qr::setup::InstallRegistryFile();
    qr::platform::FileRegistryStore registry(registryFile);
    qr::setupgui::SetupMessageBoxes messages;
    const qr::setupgui::SetupHooks hooks =
        qr::setupgui::DesktopHooks(messages, registry, registryFile);

    qr::setupgui::First first(hooks);
    centre(first);
    first.exec();
    const std::string destination =
        first.result() ? first.result()->destination
                       : qr::setup::DestinationFolder(first.basePath().toStdString());
    qr::setupgui::Finish finish(
        hooks, QString::fromStdString(destination + "/" + qr::setup::kProgramName));
    centre(finish);
    finish.exec();
    return 0;
}
