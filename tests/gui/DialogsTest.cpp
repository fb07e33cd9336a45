// Every window of the program laid out readably, and what the small dialogs answer.
#include "GuiDriver.h"
#include "dialogs/SaveDialogs.h"
#include "dialogs/SimpleDialogs.h"
#include "output/SaveSettings.h"
#include "skin/ImageButton.h"
#include "skin/Skin.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace qr::test {
namespace {

void expectReadable(QWidget* window, const std::string& name) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    screenshot(window, name);
    EXPECT_EQ(layoutProblems(window), std::vector<std::string>{}) << name;
    window->hide();
}

TEST(Dialogs, EveryWindowIsLaidOutWithoutClippingOrOverlap) {
    ScriptedMessages messages;
    app::Services services;
    services.messages = &messages;
    app::RecoveryContext ctx(services);
    {
        gui::SaveAsDialog saveAs(nullptr, ctx, "/dev/null");
        EXPECT_TRUE(saveAs.findChild<QWidget*>("settings")->isEnabled());
        expectReadable(&saveAs, "dialog-save-as");
    }
    {
        gui::SettingsDialog settings(nullptr, ctx);
        expectReadable(&settings, "dialog-settings");
    }
    {
        gui::ReplaceDialog replace(nullptr, "/media/backup/Documents/Quarterly Report 2004.doc");
        expectReadable(&replace, "dialog-replace");
    }
    {
        gui::WriteErrorDialog error(nullptr, "/media/backup/photo.jpg", "No space left on device");
        expectReadable(&error, "dialog-error-writing");
    }
    // The two progress windows run their pass (nothing is selected) and close themselves.
    {
        gui::CalculatingDialog counting(nullptr, ctx);
        counting.show();
        EXPECT_EQ(layoutProblems(&counting), std::vector<std::string>{});
        screenshot(&counting, "dialog-calculating");
        EXPECT_TRUE(waitFor([&] { return !counting.isVisible(); }, 10000));
        EXPECT_EQ(counting.result(), QDialog::Accepted);
    }
    {
        gui::SavingDialog saving(nullptr, ctx);
        ui::SavingTexts texts;
        texts.fileName = "Quarterly Report 2004.doc";
        texts.filePath = "/media/backup/Documents/Quarterly Report 2004.doc";
        texts.totalFiles = "3 / 12";
        texts.currentFile = "4096 / 5604";
        texts.dataDone = "0 MB";
        texts.dataTotal = "1 MB";
        texts.percent = 45;
        texts.percentText = "45% Completed";
        texts.timeRemaining = "0 Min 2 Sec";
        texts.timeElapsed = "0 Min 1 Sec";
        saving.showSaving(texts);
        QApplication::processEvents();
        saving.show();
        EXPECT_EQ(layoutProblems(&saving), std::vector<std::string>{});
        screenshot(&saving, "dialog-saving");
        EXPECT_TRUE(waitFor([&] { return !saving.isVisible(); }, 10000));
    }
    gui::NoMediaDialog noMedia(nullptr);
    expectReadable(&noMedia, "dialog-no-media");
    gui::AboutDialog about(nullptr, "Jane Doe\r\nExample Ltd");
    EXPECT_EQ(about.findChild<QLabel*>("item1005")->text(), "Jane Doe\nExample Ltd");
    expectReadable(&about, "dialog-about");
    gui::SplashWindow splash;
    expectReadable(&splash, "dialog-splash");
    gui::WaitPopup wait(nullptr);
    expectReadable(&wait, "dialog-wait");
}

TEST(Dialogs, AboutWithoutOwnerShowsOnlyTheLineBreak) {
    gui::AboutDialog about(nullptr, "\r\n");
    EXPECT_EQ(about.findChild<QLabel*>("item1005")->text(), "\n");
}

// The About box and the write-error box have pictures of their own, drawn at their
// own layout sizes, so nothing in them is stretched at the desktop's font.
TEST(Dialogs, AboutAndWriteErrorShowTheirOwnPictures) {
    gui::AboutDialog about(nullptr, "Jane Doe");
    EXPECT_EQ(about.backgroundSize(), QSize(420, 250));
    gui::WriteErrorDialog error(nullptr, "/media/backup/photo.jpg", "No space left on device");
    EXPECT_EQ(error.backgroundSize(), QSize(420, 220));
    const QImage generic = gui::skinImage("dialog").toImage();
    for (const char* name : {"about", "error"}) {
        const QImage own = gui::skinImage(name).toImage();
        ASSERT_FALSE(own.isNull()) << name;
        EXPECT_NE(own.pixelColor(own.width() - 30, own.height() - 20),
                  generic.pixelColor(generic.width() - 30, generic.height() - 20))
            << name << " has its own corner picture";
    }
}

// The saving pass writes only files whose extension is in the list, so the list's
// caption must say so: a user who adds "tmp" to leave temporary files out would
// otherwise save nothing but them.
TEST(Dialogs, ExtensionListIsCaptionedAsTheExtensionsThatAreSaved) {
    ScriptedMessages messages;
    app::Services services;
    services.messages = &messages;
    app::RecoveryContext ctx(services);
    gui::SettingsDialog dialog(nullptr, ctx);
    auto* box = dialog.findChild<QLineEdit*>("item1126");
    ASSERT_NE(box, nullptr);
    auto* group = qobject_cast<QGroupBox*>(box->parentWidget());
    ASSERT_NE(group, nullptr);
    box->setText("tmp");
    for (auto* button : dialog.findChildren<QPushButton*>())
        if (button->text() == "&Add ")
            button->click();
    static_cast<QDialog&>(dialog).accept();
    ASSERT_EQ(ctx.save.settings.extensions, std::vector<std::string>{"tmp"});
    EXPECT_TRUE(output::ExtensionAdmitted(ctx.save.settings.extensions, "a.TMP"));
    EXPECT_FALSE(output::ExtensionAdmitted(ctx.save.settings.extensions, "a.doc"));
    EXPECT_EQ(group->title().toStdString(), "Save only these Extensions");
}

// Enter in the path box takes the typed path: it must not open the folder chooser.
TEST(Dialogs, EnterInTheSaveAsPathBoxAcceptsThePath) {
    ScriptedMessages messages;
    app::Services services;
    services.messages = &messages;
    app::RecoveryContext ctx(services);
    TempDir destination;
    gui::SaveAsDialog saveAs(nullptr, ctx, "/dev/null");
    saveAs.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&saveAs));
    // A chooser that opens is closed again; the timer ends with the dialog.
    bool chooserOpened = false;
    auto* watch = new QTimer(&saveAs);
    watch->setInterval(20);
    QObject::connect(watch, &QTimer::timeout, &saveAs, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != &saveAs) {
            chooserOpened = true;
            modal->close();
        }
    });
    watch->start();
    saveAs.folderBox()->setFocus();
    saveAs.folderBox()->setText(QString::fromStdString(destination.path().string()));
    QTest::keyClick(saveAs.folderBox(), Qt::Key_Return);
    EXPECT_FALSE(chooserOpened);
    EXPECT_EQ(saveAs.result(), QDialog::Accepted);
    EXPECT_EQ(ctx.save.destinationFolder, destination.path().string());
}

TEST(Dialogs, WriteErrorAnswersAbortAndSkip) {
    gui::WriteErrorDialog abort(nullptr, "a", "b");
    abort.show();
    QTest::mouseClick(abort.findChildren<gui::ImageButton*>()[0], Qt::LeftButton);
    EXPECT_EQ(abort.answer(), ui::WriteErrorAnswer::Abort);
    gui::WriteErrorDialog skip(nullptr, "a", "b");
    skip.show();
    QTest::mouseClick(skip.findChildren<gui::ImageButton*>()[1], Qt::LeftButton);
    EXPECT_EQ(skip.answer(), ui::WriteErrorAnswer::Skip);
}

TEST(Dialogs, ReplaceButtonsGiveTheirAnswers) {
    const output::ReplacePolicy expected[] = {
        output::ReplacePolicy::Replace, output::ReplacePolicy::Keep,
        output::ReplacePolicy::ReplaceAll, output::ReplacePolicy::KeepAll};
    for (int i = 0; i < 4; ++i) {
        gui::ReplaceDialog dialog(nullptr, "x");
        dialog.show();
        QTest::mouseClick(dialog.findChildren<gui::ImageButton*>()[i], Qt::LeftButton);
        EXPECT_EQ(dialog.answer(), expected[i]) << i;
        EXPECT_FALSE(dialog.isVisible());
    }
}

} // namespace
} // namespace qr::test
