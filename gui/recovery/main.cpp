// The recovery program: splash, then the wizard window until it closes.
#include "MainWindow.h"
#include "dialogs/SimpleDialogs.h"
#include "disk/DeviceFile.h"
#include "platform/FileRegistryStore.h"
#include "platform/PlatformChoice.h"

#include <QApplication>
#include <QEventLoop>
#include <QScreen>
#include <QTimer>
#include <cstdio>

namespace {

void centre(QWidget& window) {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
}

void usage() {
    std::fprintf(stderr, "usage: recovery [--platform N|F] [--image FILE]...\n");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qr::gui::MainWindowOptions options;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--image" && i + 1 < args.size()) {
            const std::string image = args[++i].toStdString();
            if (const std::string problem = qr::disk::MediumProblem(image); !problem.empty()) {
                std::fprintf(stderr, "recovery: cannot open image '%s': %s\n", image.c_str(),
                             problem.c_str());
                return 1;
            }
            options.images.push_back(image);
        } else if (args[i] == "--platform" && i + 1 < args.size() &&
                   qr::platform::ChoosePlatformFamily(args[i + 1].toStdString())) {
            ++i;
        } else {
            usage();
            return 2;
        }
    }
    qr::platform::FileRegistryStore registry;
    options.registry = &registry;

    {
        qr::gui::SplashWindow splash;
        centre(splash);
        splash.show();
        QEventLoop wait;
        QTimer::singleShot(2000, &wait, &QEventLoop::quit);
        wait.exec();
    }

    qr::gui::MainWindow window(options);
    centre(window);
    switch (window.initialise()) {
    case qr::app::StartupResult::NotInstalled:
        return 0;
    case qr::app::StartupResult::NoMedia:
        window.show();
        window.startNoMediaPrompt();
        break;
    case qr::app::StartupResult::Ready:
        window.show();
        break;
    }
    return app.exec();
}
