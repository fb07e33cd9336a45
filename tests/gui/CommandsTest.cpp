// The menu bar and the main window's commands: texts and states, enabling through the
// wizard's steps, help and support, the report and directory-list commands with the
// printer, mailer and shell behind doubles, and printed pages looked at as pictures.
#include "CommandIds.h"
#include "GuiDriver.h"
#include "PanelTree.h"
#include "dialogs/LogFileSelectionDialog.h"
#include "output/DirectoryList.h"
#include "output/ReportFiles.h"
#include "reports/TextPrinter.h"
#include "support/SaveFixtures.h"

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>

namespace qr::test {
namespace {

namespace fs = std::filesystem;
namespace item = app::item;
namespace command = gui::command;
using platform::RegistryRoot;

struct MenuRow {
    int level;
    std::string text;
    bool enabled;
    bool checked;
    bool operator==(const MenuRow&) const = default;
};

void PrintTo(const MenuRow& r, std::ostream* os) {
    *os << r.level << " '" << r.text << "' " << (r.enabled ? "on" : "grey")
        << (r.checked ? " checked" : "");
}

void walkMenu(QMenu* menu, int level, std::vector<MenuRow>& rows) {
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            continue;
        rows.push_back({level, a->text().toStdString(), a->isEnabled(), a->isChecked()});
        if (a->menu())
            walkMenu(a->menu(), level + 1, rows);
    }
}

std::vector<MenuRow> menuRows(gui::MainWindow& w) {
    std::vector<MenuRow> rows;
    for (QAction* top : w.menuBar()->actions()) {
        rows.push_back({1, top->text().toStdString(), true, false});
        walkMenu(top->menu(), 2, rows);
    }
    return rows;
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveTools({"sfdisk", "mkfs.fat", "mcopy", "mmd", "mdel", "mdeltree"}))
            GTEST_SKIP() << "the demo card needs sfdisk, mkfs.fat and mtools";
        std::error_code ec;
        fs::remove_all(output::ReportFolder(), ec);
        fs::remove_all(output::DirectoryListFolder(), ec);
    }

    std::string count(GuiSession& s) {
        return platform::ReadRegistryString(*s.registry, RegistryRoot::ClassesRoot,
                                            output::kLogCountKey, output::kLogCountValue);
    }

    // Disk0, Quick, Next, the FAT32 partition, Next, and the search to its end.
    void browseDemoCard(gui::MainWindow& w) {
        ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        clickRow(w.tree(item::kDiskTree), findRow(w.tree(item::kDiskTree), "Disk0"));
        hover(w.item(item::kQuickMode));
        click(w.item(item::kNext));
        ASSERT_EQ(w.context().wizardStage, 1);
        EXPECT_TRUE(w.command(command::kLoadLog)->isEnabled());
        EXPECT_FALSE(w.command(command::kSaveLog)->isEnabled());
        auto* partitions = w.tree(item::kPartitionTree);
        clickRow(partitions, findRow(partitions, "Partition - 1 ( FAT32 )"));
        click(w.item(item::kNext));
        EXPECT_FALSE(w.command(command::kLoadLog)->isEnabled());
        ASSERT_TRUE(waitFor([&] {
            return w.context().wizardStage == 3 && !w.context().scanWorkerRunning &&
                   w.context().recoveryTree.size() > 1;
        }));
        QApplication::processEvents();
    }
};

TEST_F(Commands, EveryMenuItemHasItsTextAndInitialState) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    const std::vector<MenuRow> expected{
        {1, "&Options", true, false},
        {2, "Select &All files", false, false},
        {2, "&Save ", false, false},
        {2, "Save Se&ttings", true, false},
        {2, "Save &later", true, false},
        {3, "Save Log", false, false},
        {3, "Load Log", false, false},
        {2, "Add Disk Image...", true, false}, // this build's way to open a disk image
        {2, "Create Disk Image...", true, false},
        {2, "E&xit", true, false},
        {1, "Maintenance", true, false},
        {2, "Update", true, false},
        {2, "Report", true, false},
        {3, "View Report", true, false},
        {3, "Print Report", true, false},
        {3, "Email Report", true, false},
        {3, "Clear Reports", true, false},
        {2, "Directory List", true, false},
        {3, "View", true, false},
        {3, "Print", true, false},
        {1, "Support", true, false},
        {2, "Online", true, false},
        {2, "Email", true, false},
        {2, "Telephonic", true, false},
        {1, "&Help", true, false},
        {2, "Contents        ", true, false},
        {2, "Show Balloon Help", true, true},
        {2, "&About...", true, false}};
    EXPECT_EQ(menuRows(w), expected);

    // Each menu and submenu open, as pictures.
    w.show();
    for (QMenu* menu : w.menuBar()->findChildren<QMenu*>()) {
        if (menu->title().isEmpty())
            continue; // the menu bar's own overflow menu
        menu->popup(w.mapToGlobal(QPoint(40, 40)));
        QApplication::processEvents();
        screenshot(menu, "menu-" + menu->title().remove('&').replace(' ', '-').toStdString());
        menu->close();
    }
    EXPECT_EQ(w.command(command::kSave)->toolTip(), "Save files that have been selected ");
    EXPECT_EQ(w.command(command::kDirectoryListPrint)->toolTip(), "Print Directory Information ");
}

TEST_F(Commands, EnablingFollowsNextBackAndTheFinishedSearch) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    browseDemoCard(w);
    for (int id : {command::kSave, command::kSelectAll, command::kSaveLog})
        EXPECT_TRUE(w.command(id)->isEnabled()) << id;
    EXPECT_FALSE(w.command(command::kLoadLog)->isEnabled());
    EXPECT_TRUE(w.item(item::kSaveButton)->isEnabled());

    click(w.item(item::kBack));
    ASSERT_EQ(w.context().wizardStage, 1);
    for (int id : {command::kSave, command::kSelectAll, command::kSaveLog})
        EXPECT_FALSE(w.command(id)->isEnabled()) << id;
    EXPECT_TRUE(w.command(command::kLoadLog)->isEnabled());

    click(w.item(item::kBack));
    ASSERT_EQ(w.context().wizardStage, 0);
    EXPECT_FALSE(w.command(command::kLoadLog)->isEnabled());
}

TEST_F(Commands, HelpSupportAndTheWebSite) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.command(command::kHelpContents)->trigger();
    click(w.item(gui::button::kHelp));
    const std::string help = std::string(RECOVERY_PROGRAM_DIR) + "/Help.html";
    EXPECT_EQ(s.shell.opened, (std::vector<std::string>{help, help}));
    const std::string page = ReadWholeFile(help);
    for (const char* topic : {"Recovering files from a card", "The three search modes",
                              "The recovery log", "must be another drive"})
        EXPECT_NE(page.find(topic), std::string::npos) << topic;

    s.shell.opened.clear();
    w.command(command::kSupportOnline)->trigger();
    click(w.item(gui::button::kWebSite));
    EXPECT_EQ(s.shell.opened, (std::vector<std::string>{app::kMakerWebSite, app::kMakerWebSite}));

    w.command(command::kSupportEmail)->trigger();
    w.command(command::kSupportTelephone)->trigger();
    const auto asked = s.messages.asked();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, "Send email to " + app::kSupportMail);
    EXPECT_EQ(asked[0].caption, platform::kMessageCaption);
    EXPECT_EQ(asked[1].text, "Telephone Numbers : " + app::kSupportPhone1 + "\n" +
                                 std::string(33, ' ') + ": " + app::kSupportPhone2 + "\n");
    EXPECT_EQ(asked[1].caption, "Telephonic Support");
}

TEST_F(Commands, BalloonHelpPutsDescriptionsOnTheStatusLineWhileItIsOn) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    auto* status = static_cast<QLabel*>(w.item(item::kStatusLine));
    const QString before = status->text();
    QAction* clear = w.command(command::kClearReports);
    auto* reportMenu = qobject_cast<QMenu*>(clear->parent());
    ASSERT_NE(reportMenu, nullptr);
    Q_EMIT reportMenu->hovered(clear);
    EXPECT_EQ(status->text(), "Delete all recovery logs");
    Q_EMIT reportMenu->aboutToHide();
    EXPECT_EQ(status->text(), before);

    w.command(command::kBalloonHelp)->trigger();
    Q_EMIT reportMenu->hovered(clear);
    EXPECT_EQ(status->text(), before);
    EXPECT_FALSE(reportMenu->toolTipsVisible());
}

TEST_F(Commands, ReportsAreWrittenAfterASearchThenViewedMailedAndCleared) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.show();

    // No reports yet: View tells so; Email without a mail composer cannot start.
    w.command(command::kViewReport)->trigger();
    s.mailer.present = false;
    w.command(command::kEmailReport)->trigger();
    EXPECT_EQ(s.messages.texts(),
              (std::vector<std::string>{"Unable to find Quarrixdale Recovery Memory Card Log File",
                                        "Unable to Load EmailMessaging SubSystem"}));
    EXPECT_EQ(s.messages.asked()[0].icon, platform::MessageIcon::Information);
    s.mailer.present = true;
    w.command(command::kEmailReport)->trigger();
    EXPECT_TRUE(s.mailer.sent.empty());

    // Two searches, two reports; the second one is the newest.
    s.window.reset();
    s.window = std::make_unique<gui::MainWindow>([&] {
        gui::MainWindowOptions o;
        o.registry = s.registry.get();
        o.messages = &s.messages;
        o.shell = &s.shell;
        o.printers = &s.printers;
        o.mailer = &s.mailer;
        o.images = {GuiSession::demoCard().string()};
        return o;
    }());
    gui::MainWindow& v = *s.window;
    browseDemoCard(v);
    EXPECT_EQ(count(s), "1");
    click(v.item(item::kBack));
    click(v.item(item::kNext));
    ASSERT_TRUE(waitFor([&] {
        return v.context().wizardStage == 3 && !v.context().scanWorkerRunning &&
               v.context().recoveryTree.size() > 1;
    }));
    EXPECT_EQ(count(s), "2");
    const fs::path newest = output::ReportFolder() / "2.txt";
    const std::string report = ReadWholeFile(newest);
    EXPECT_EQ(report.rfind("Disk Number : 0\nModel Number : ", 0), 0u) << report;
    EXPECT_NE(report.find("Partition Type : FAT32\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Folders Found : "), std::string::npos) << report;

    bool listed = false;
    onNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<gui::LogFileSelectionDialog*>(modal);
        if (!dialog)
            return false;
        auto* files = dialog->findChild<QComboBox*>("files");
        EXPECT_EQ(dialog->windowTitle(), "Log File Selection");
        EXPECT_EQ(files->count(), 2);
        EXPECT_EQ(files->itemText(0), "2.txt");
        EXPECT_EQ(files->itemText(1), "1.txt");
        EXPECT_EQ(files->currentIndex(), 0);
        screenshot(dialog, "dialog-log-file-selection");
        EXPECT_EQ(layoutProblems(dialog), std::vector<std::string>{});
        listed = true;
        dialog->accept();
        return true;
    });
    s.shell.opened.clear();
    v.command(command::kViewReport)->trigger();
    EXPECT_TRUE(listed);
    EXPECT_EQ(s.shell.opened, std::vector<std::string>{newest.string()});

    v.command(command::kEmailReport)->trigger();
    ASSERT_EQ(s.mailer.sent.size(), 1u);
    const gui::MailMessage& mail = s.mailer.sent[0];
    EXPECT_EQ(mail.subject, "Quarrixdale Recovery Memory Card Log File");
    EXPECT_EQ(mail.body, "Attachment contains Quarrixdale Recovery-Memory Card Log File");
    EXPECT_EQ(mail.to.toStdString(), app::kSupportMail);
    EXPECT_EQ(mail.cc.toStdString(), app::kSupportMail);
    EXPECT_EQ(mail.attachment.toStdString(), newest.string());

    v.command(command::kClearReports)->trigger();
    EXPECT_EQ(count(s), "");
    EXPECT_FALSE(fs::exists(newest));
    EXPECT_FALSE(fs::exists(output::ReportFolder() / "1.txt"));
}

// The directory list of the demo card opens in the viewer; a long list printed to PDF
// runs over several pages, each with the title, its number and the red rule.
TEST_F(Commands, DirectoryListIsViewedAndPrintedOverSeveralPages) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    // Before the browse step both commands do nothing.
    w.command(command::kDirectoryListView)->trigger();
    w.command(command::kDirectoryListPrint)->trigger();
    EXPECT_TRUE(s.shell.opened.empty());
    EXPECT_EQ(s.printers.shown, 0);

    s.window.reset();
    gui::MainWindowOptions o;
    o.registry = s.registry.get();
    o.messages = &s.messages;
    o.shell = &s.shell;
    o.printers = &s.printers;
    o.mailer = &s.mailer;
    o.images = {GuiSession::demoCard().string()};
    s.window = std::make_unique<gui::MainWindow>(o);
    gui::MainWindow& v = *s.window;
    browseDemoCard(v);
    v.command(command::kDirectoryListView)->trigger();
    const fs::path view = output::DirectoryListFolder() / output::kDirectoryListViewFile;
    EXPECT_EQ(s.shell.opened.back(), view.string());
    const std::string text = ReadWholeFile(view);
    EXPECT_NE(text.find("Root-> Documents\r\n"), std::string::npos) << text;

    // Many more folders than a page holds, some with non-ASCII names.
    auto& tree = v.context().recoveryTree;
    const model::TreeItem root = tree.firstTopLevel();
    for (int i = 0; i < 150; ++i)
        tree.insert(root, "Ordner " + std::to_string(i) + (i % 2 ? " Größe" : " 写真"), 3, 3);
    QApplication::processEvents();

    TempDir out;
    s.printers.cancel = true;
    v.command(command::kDirectoryListPrint)->trigger();
    EXPECT_EQ(s.printers.shown, 1);
    s.printers.cancel = false;
    s.printers.file = out / "list.pdf";
    v.command(command::kDirectoryListPrint)->trigger();
    ASSERT_TRUE(fs::exists(s.printers.file));
    const fs::path printFile = output::DirectoryListFolder() / output::kDirectoryListPrintFile;
    EXPECT_GT(output::ReadPrintFile(printFile).size(), 150u);

    if (!haveTools({"pdftoppm"}))
        GTEST_SKIP() << "pdftoppm (poppler-utils) missing: pages not looked at";
    runOrFail("pdftoppm -r 60 -png " + shellQuote(s.printers.file.string()) + " " +
              shellQuote((out / "page").string()));
    std::vector<QImage> pages;
    for (int n = 1; n <= 9; ++n)
        for (const char* name : {"page-%1.png", "page-0%1.png"}) {
            QImage page(QString::fromStdString((out / "").string()) + QString(name).arg(n));
            if (!page.isNull())
                pages.push_back(page);
        }
    ASSERT_GE(pages.size(), 2u);
    std::vector<QImage> numbers;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const QImage& page = pages[p];
        if (const char* folder = std::getenv("QR_SCREENSHOT_DIR"))
            page.save(QString("%1/print-directory-list-page-%2.png").arg(folder).arg(p + 1));
        // The red rule: a long run of red in one row within the top inch.
        int ruleRow = -1;
        for (int y = 0; y < 60 && ruleRow < 0; ++y) {
            int red = 0;
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                red += c.red() > 200 && c.green() < 90 && c.blue() < 90;
            }
            if (red > page.width() / 2)
                ruleRow = y;
        }
        EXPECT_GE(ruleRow, 0) << "page " << p + 1 << " has no red rule";
        // The title at the left and the page number at the right, above the rule.
        const auto ink = [&](int x0, int x1) {
            int dark = 0;
            for (int y = 0; y < std::max(ruleRow, 1); ++y)
                for (int x = x0; x < x1; ++x)
                    dark += page.pixelColor(x, y).lightness() < 128;
            return dark;
        };
        EXPECT_GT(ink(0, page.width() / 2), 50) << "page " << p + 1 << " has no title";
        EXPECT_GT(ink(page.width() * 3 / 4, page.width()), 3) << "page " << p + 1;
        numbers.push_back(page.copy(page.width() * 3 / 4, 0, page.width() / 4, ruleRow));
    }
    EXPECT_NE(numbers[0], numbers[1]); // "1" and "2"
}

TEST_F(Commands, PrintReportPrintsTheDetailsOrNothingWhenCancelled) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    browseDemoCard(w);
    TempDir out;
    s.printers.cancel = true;
    w.command(command::kPrintReport)->trigger();
    s.printers.cancel = false;
    s.printers.file = out / "report.pdf";
    w.command(command::kPrintReport)->trigger();
    EXPECT_EQ(s.printers.shown, 2);
    ASSERT_TRUE(fs::exists(s.printers.file));
    EXPECT_GT(fs::file_size(s.printers.file), 500u);
    if (haveTools({"pdftotext"})) {
        const CommandResult r =
            run("pdftotext -layout " + shellQuote(s.printers.file.string()) + " -");
        EXPECT_NE(r.output.find("Quarrixdale Recovery-Memory Card"), std::string::npos);
        EXPECT_NE(r.output.find("Partition Type : FAT32"), std::string::npos) << r.output;
        EXPECT_NE(r.output.find("Search Entire Disk Status: TRUE"), std::string::npos);
    }
    const char* folder = std::getenv("QR_SCREENSHOT_DIR");
    if (folder && *folder && haveTools({"pdftoppm"}))
        runOrFail("pdftoppm -r 60 -png -singlefile " + shellQuote(s.printers.file.string()) + " " +
                  shellQuote(std::string(folder) + "/print-report"));
}

// A right click in the recovery tree offers "Save" as its one, default item.
TEST_F(Commands, ContextMenuOffersSave) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    browseDemoCard(w);
    QStringList offered;
    bool isDefault = false;
    QTimer::singleShot(100, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* a : menu->actions())
                offered << a->text();
            isDefault = menu->defaultAction() && menu->defaultAction()->text() == "Save";
            screenshot(menu, "menu-context-save");
            menu->close();
        }
    });
    auto* folders = w.tree(item::kRecoveryTree);
    Q_EMIT folders->customContextMenuRequested(QPoint(20, 10));
    EXPECT_EQ(offered, QStringList{"Save"});
    EXPECT_TRUE(isDefault);
}

} // namespace
} // namespace qr::test
