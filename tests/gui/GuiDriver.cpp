#include "GuiDriver.h"

#include "PanelTree.h"
#include "dialogs/SaveDialogs.h"
#include "platform/RegistryStore.h"
#include "skin/TextProgress.h"
#include "widgets/LayoutCheck.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace qr::test {

const std::filesystem::path& GuiSession::demoCard() {
    static TempDir folder;
    static const std::filesystem::path card = [] {
        auto path = folder / "demo-card.img";
        runOrFail(std::string("bash ") + shellQuote(DEMO_CARD_SCRIPT) + " " +
                  shellQuote(path.string()));
        return path;
    }();
    return card;
}

GuiSession::GuiSession(std::vector<platform::MessageAnswer> answers, bool withCard,
                       std::vector<std::string> images)
    : messages(std::move(answers)) {
    const auto store = dir / "registry";
    setenv(platform::kRegistryPathVariable, store.c_str(), 1);
    // Only the demo card: no block devices of the machine running the tests.
    std::filesystem::create_directories(dir / "sys-block");
    setenv("QUARRIXDALE_SYSFS_BLOCK", (dir / "sys-block").c_str(), 1);
    registry = std::make_unique<platform::FileRegistryStore>(store);
    platform::SetRegistryString(*registry, platform::RegistryRoot::ClassesRoot,
                                "Quarrixdale-Memory Card", "InstallationPath",
                                RECOVERY_PROGRAM_DIR);
    gui::MainWindowOptions options;
    options.registry = registry.get();
    options.messages = &messages;
    options.shell = &shell;
    options.printers = &printers;
    options.mailer = &mailer;
    if (withCard)
        options.images = {demoCard().string()};
    options.images.insert(options.images.end(), images.begin(), images.end());
    window = std::make_unique<gui::MainWindow>(options);
}

GuiSession::~GuiSession() {
    window.reset();
    unsetenv(platform::kRegistryPathVariable);
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(5);
    }
    return true;
}

QModelIndex findRow(QTreeView* view, const QString& text) {
    auto matches = view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, text, 1,
                                        Qt::MatchExactly | Qt::MatchRecursive);
    return matches.isEmpty() ? QModelIndex() : matches.front();
}

void clickRow(QTreeView* view, const QModelIndex& index) {
    view->scrollTo(index);
    QRect r = view->visualRect(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(r.right() - 4, r.center().y()));
}

void click(QWidget* button) {
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
}

void hover(QWidget* widget) {
    QTest::mouseMove(widget->window(), QPoint(1, 1));
    QTest::mouseMove(widget, widget->rect().center());
    QApplication::processEvents();
    // On a scaled screen the offscreen pointer can land beside a small control: tell the
    // control the pointer came in, as the desktop would.
    if (!widget->underMouse()) {
        const QPointF centre = QRectF(widget->rect()).center();
        QEnterEvent enter(centre, widget->window()->mapFromGlobal(widget->mapToGlobal(centre)),
                          widget->mapToGlobal(centre));
        QApplication::sendEvent(widget, &enter);
        QApplication::processEvents();
    }
}

void onNextModal(const std::function<bool(QWidget*)>& answer) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && answer(modal)) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

void answerFileDialog(const std::string& path) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, path] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(top);
            if (!dialog || !dialog->isVisible())
                continue;
            // The name box is filled directly: selectFile() leaves it alone while it has
            // the keyboard focus, and accept() with an empty name box keeps the dialog
            // open, so a dialog that got the focus first would wait for ever.
            if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
                name->setText(QString::fromStdString(path));
            else
                dialog->selectFile(QString::fromStdString(path));
            static_cast<QDialog*>(dialog)->accept();
            if (!dialog->isVisible()) {
                timer->stop();
                timer->deleteLater();
            }
            return;
        }
    });
    timer->start();
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::filesystem::path findFile(const std::filesystem::path& root, const std::string& name) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (QString::fromStdString(entry.path().filename().string())
                .compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0)
            return entry.path();
    return {};
}

void tickRow(QTreeView* view, const QModelIndex& index) {
    auto* tree = static_cast<gui::PanelTree*>(view);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->checkBoxRect(index).center());
}

void saveTickedTo(gui::MainWindow& w, const std::filesystem::path& destination) {
    onNextModal([&](QWidget* modal) {
        auto* saveAs = qobject_cast<gui::SaveAsDialog*>(modal);
        if (!saveAs)
            return false;
        saveAs->folderBox()->setText(QString::fromStdString(destination.string()));
        click(saveAs->findChild<QWidget*>("ok"));
        return true;
    });
    click(w.item(app::item::kSaveButton));
}

void toPartitionStep(gui::MainWindow& w) {
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto* disks = w.tree(app::item::kDiskTree);
    clickRow(disks, findRow(disks, "Disk0"));
    hover(w.item(app::item::kQuickMode));
    click(w.item(app::item::kNext));
}

void screenshot(QWidget* widget, const std::string& name) {
    const char* folder = std::getenv("QR_SCREENSHOT_DIR");
    if (!folder || !*folder)
        return;
    QDir().mkpath(folder);
    QApplication::processEvents(); // what the window has queued is drawn, as a user sees it
    widget->grab().save(QString("%1/%2.png").arg(folder, QString::fromStdString(name)));
}

std::vector<std::string> layoutProblems(QWidget* top) {
    // The text progress bar is drawn by hand but read like any progress bar.
    const auto look = [top] {
        return widgets::layoutProblems(
            top, [](QWidget* w) { return qobject_cast<gui::TextProgress*>(w); });
    };
    // A list fits its columns on a queued call and Qt shows its scroll bars on a zero
    // timer: a busy machine may look between the two, so a window is judged once settled.
    std::vector<std::string> problems;
    waitFor(
        [&] {
            problems = look();
            return problems.empty();
        },
        2000);
    return problems;
}

} // namespace qr::test
