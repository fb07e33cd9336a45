#include "SetupHooks.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QThread>
#include <cstdlib>

namespace qr::setupgui {

SetupHooks DesktopHooks(platform::UserMessages& messages, platform::RegistryStore& registry,
                        const std::string& registryFile) {
    SetupHooks hooks;
    hooks.messages = &messages;
    hooks.registry = &registry;
    hooks.registryFile = registryFile;
    hooks.chooseFolder = [](QWidget* owner, const QString& title) -> std::optional<QString> {
        const QString folder = QFileDialog::getExistingDirectory(
            owner, title, QString(), QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
        if (folder.isEmpty())
            return std::nullopt;
        return folder;
    };
    hooks.pause = [](std::chrono::milliseconds wait) {
        // The window takes no input meanwhile, but what changed is painted.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(static_cast<unsigned long>(wait.count()));
    };
    hooks.launch = [](const QString& program) {
        return QProcess::startDetached(program, {}, QFileInfo(program).absolutePath());
    };
    hooks.exitProcess = [] { std::exit(0); };
    return hooks;
}

platform::MessageAnswer SetupMessageBoxes::ask(const std::string& text, const std::string& caption,
                                               platform::MessageIcon icon,
                                               platform::MessageButtons) {
    QMessageBox box(icon == platform::MessageIcon::Error         ? QMessageBox::Critical
                    : icon == platform::MessageIcon::Information ? QMessageBox::Information
                                                                 : QMessageBox::Warning,
                    QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.raise();
    box.activateWindow();
    box.exec();
    return platform::MessageAnswer::Ok;
}

} // namespace qr::setupgui
