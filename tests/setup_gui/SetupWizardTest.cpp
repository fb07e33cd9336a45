#include "Btn.h"
#include "Exit.h"
#include "Finish.h"
#include "First.h"
#include "InstallerHome.h"
#include "platform/FileRegistryStore.h"
#include "setup/InstallerFiles.h"
#include "setup/SystemFolders.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace qr::setupgui;
using qr::platform::RegistryRoot;
namespace fs = std::filesystem;
namespace setup = qr::setup;

namespace {

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class SetupWizard : public ::testing::Test, protected qr::test::InstallerHome {
protected:
    static Btn* button(First& w, int id) { return static_cast<Btn*>(w.control(id)); }
    static QCheckBox* box(First& w) { return static_cast<QCheckBox*>(w.control(id::kAccepted)); }
    static QString text(First& w, int id) {
        if (auto* edit = qobject_cast<QLineEdit*>(w.control(id)))
            return edit->text();
        return static_cast<QLabel*>(w.control(id))->text();
    }
};

TEST_F(SetupWizard, PagesFollowNextBackAndTheLicenceBox) {
    First w(hooks());
    w.show();
    EXPECT_EQ(w.windowTitle().toStdString(), setup::kSetupCaption);
    EXPECT_EQ(w.mode(), BkDialogST::Tile);
    EXPECT_FALSE(w.setMode(13)) << "modes stop at 12";
    EXPECT_TRUE(w.setMode(BkDialogST::BottomCenter));
    w.setMode(BkDialogST::Tile);
    EXPECT_EQ(w.bitmap().deviceIndependentSize().toSize(), w.size());
    EXPECT_EQ(w.setupStage(), 1);
    EXPECT_TRUE(button(w, id::kNext)->isVisible());
    EXPECT_TRUE(button(w, id::kCancel)->isVisible());
    EXPECT_FALSE(button(w, id::kBack)->isVisible());
    EXPECT_FALSE(w.control(id::kLicenceText)->isVisible());
    EXPECT_EQ(button(w, id::kNext)->toolTip(), "Next");
    qr::test::setupScreenshot(&w, "1-welcome");

    button(w, id::kNext)->click();
    EXPECT_EQ(w.setupStage(), 2);
    EXPECT_EQ(button(w, id::kNext)->text(), "ACCEPT");
    EXPECT_FALSE(button(w, id::kNext)->isEnabled()) << "Accept waits for the box";
    EXPECT_TRUE(button(w, id::kBack)->isVisible());
    EXPECT_TRUE(static_cast<QPlainTextEdit*>(w.control(id::kLicenceText))
                    ->toPlainText()
                    .contains("LICENCE"));
    box(w)->click();
    EXPECT_TRUE(button(w, id::kNext)->isEnabled());
    qr::test::setupScreenshot(&w, "2-licence");
    box(w)->click();
    EXPECT_FALSE(button(w, id::kNext)->isEnabled()) << "unticking disables Accept again";
    box(w)->click();

    // Back to the welcome page and forward again: the box is unticked once more.
    button(w, id::kBack)->click();
    EXPECT_EQ(w.setupStage(), 1);
    EXPECT_FALSE(button(w, id::kBack)->isVisible());
    EXPECT_EQ(button(w, id::kNext)->text(), "NEXT");
    EXPECT_TRUE(button(w, id::kNext)->isEnabled());
    button(w, id::kNext)->click();
    EXPECT_FALSE(box(w)->isChecked());
    EXPECT_FALSE(button(w, id::kNext)->isEnabled());
    box(w)->click();
    button(w, id::kNext)->click();

    EXPECT_EQ(w.setupStage(), 3);
    const std::string programFiles = setup::ProgramFilesFolder();
    EXPECT_EQ(w.basePath().toStdString(), programFiles);
    EXPECT_EQ(text(w, id::kDestination).toStdString(), setup::DestinationFolder(programFiles));
    EXPECT_TRUE(text(w, id::kDriveSize).endsWith(" MB"));
    EXPECT_TRUE(text(w, id::kFree).endsWith(" MB"));
    EXPECT_EQ(text(w, id::kRequired), "20.0 MB");
    EXPECT_FALSE(w.control(id::kLicenceText)->isVisible());
    EXPECT_TRUE(w.control(id::kBrowse)->isVisible());
    qr::test::setupScreenshot(&w, "3-destination");

    // Browse: a chosen folder shows; a cancelled picker keeps it.
    chosenFolders = {QString::fromStdString((root / "base").string()), std::nullopt};
    button(w, id::kBrowse)->click();
    EXPECT_EQ(w.basePath().toStdString(), (root / "base").string());
    button(w, id::kBrowse)->click();
    EXPECT_EQ(w.basePath().toStdString(), (root / "base").string());
    EXPECT_EQ(text(w, id::kDestination).toStdString(),
              setup::DestinationFolder((root / "base").string()));

    // Back and forward again forgets the browsed folder.
    button(w, id::kBack)->click();
    EXPECT_EQ(w.setupStage(), 2);
    EXPECT_FALSE(box(w)->isChecked());
    EXPECT_FALSE(w.control(id::kDestination)->isVisible());
    box(w)->click();
    button(w, id::kNext)->click();
    EXPECT_EQ(w.basePath().toStdString(), programFiles);
    EXPECT_TRUE(messages.texts().empty());
}

TEST_F(SetupWizard, CancelAsksAndOnlyExitSetupEnds) {
    First w(hooks());
    w.show();
    button(w, id::kNext)->click();
    qr::test::whenModal<Exit>([](Exit* e) {
        EXPECT_EQ(e->resume()->toolTip(), "Resume");
        EXPECT_EQ(e->exitSetup()->toolTip(), "Exit");
        qr::test::setupScreenshot(e, "exit");
        e->resume()->click();
    });
    button(w, id::kCancel)->click();
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(w.setupStage(), 2) << "Resume leaves the wizard where it was";

    qr::test::whenModal<Exit>([](Exit* e) { e->exitSetup()->click(); });
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&w, &escape);
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(fs::exists(setup::DestinationFolder(setup::ProgramFilesFolder()) + "/" +
                            setup::kManifestName));
}

TEST_F(SetupWizard, InstallsIntoTheChosenFolderAndTheProgramRuns) {
    const fs::path base = root / "base";
    const fs::path dest = setup::DestinationFolder(base.string());
    // An older read-only copy of the read-me, and a missing disk library at the source.
    fs::create_directories(dest);
    std::ofstream(dest / "ReadMe.txt") << "old read-me";
    ::chmod((dest / "ReadMe.txt").c_str(), 0444);
    fs::remove(source / "Quarrixdale.so");

    First w(hooks());
    w.show();
    button(w, id::kNext)->click();
    box(w)->click();
    button(w, id::kNext)->click();
    chosenFolders = {QString::fromStdString(base.string())};
    button(w, id::kBrowse)->click();
    onPause = [&] {
        EXPECT_FALSE(button(w, id::kNext)->isEnabled());
        EXPECT_FALSE(button(w, id::kBack)->isEnabled());
        EXPECT_TRUE(w.control(id::kProgress)->isVisible());
        EXPECT_FALSE(w.control(id::kDestination)->isVisible());
        qr::test::setupScreenshot(&w, "4-installing");
    };
    button(w, id::kNext)->click();
    ASSERT_TRUE(w.result());
    EXPECT_EQ(w.result()->destination, dest.string());
    EXPECT_FALSE(w.isVisible()) << "the wizard closes after installing";

    // Every copy but the missing one, the read-only read-me replaced and kept read-only.
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{setup::kCopyFailedPrefix + "Quarrixdale.so"});
    for (const std::string& name : setup::kInstalledFiles) {
        if (name == "Quarrixdale.so")
            continue;
        EXPECT_EQ(readFile(dest / name), readFile(fs::path(SETUP_FOLDER) / name)) << name;
        EXPECT_FALSE(fs::exists(source / name)) << "copied, so removed at the source: " << name;
    }
    struct stat st {};
    ASSERT_EQ(::stat((dest / "ReadMe.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    EXPECT_EQ(::access((dest / setup::kProgramName).c_str(), X_OK), 0);

    qr::platform::FileRegistryStore reader(registryFile);
    EXPECT_EQ(reader.value(RegistryRoot::ClassesRoot, setup::kInstallKey, setup::kInstallValue),
              dest.string());
    const fs::path group =
        home / ".local/share/applications/Quarrixdale Recovery (Evaluation)/Memory Card";
    for (const fs::path& link :
         {group / (setup::kProgramName + ".desktop"),
          home / "Bureau" / (setup::kProgramName + ".desktop"), group / "Help.desktop",
          group / "Uninstall (Evaluation).desktop"}) {
        ASSERT_TRUE(fs::exists(link)) << link;
        if (qr::test::haveTools({"desktop-file-validate"})) {
            EXPECT_EQ(qr::test::run("desktop-file-validate " + qr::test::shellQuote(link)).exitCode,
                      0);
        }
    }

    {
        // Escape closes the closing window without starting the program; its close
        // button does nothing.
        Finish finish(hooks(), "program");
        finish.show();
        finish.close();
        EXPECT_TRUE(finish.isVisible());
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&finish, &escape);
        EXPECT_FALSE(finish.isVisible());
        EXPECT_TRUE(launched.empty());
    }
    Finish finish(hooks(), QString::fromStdString((dest / setup::kProgramName).string()));
    finish.show();
    EXPECT_TRUE(finish.launchAfterFinish());
    EXPECT_FALSE(finish.control(3)->isEnabled());
    EXPECT_FALSE(finish.control(2)->isVisible());
    qr::test::setupScreenshot(&finish, "finish");
    static_cast<QPushButton*>(finish.control(1))->click();
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0].toStdString(), (dest / setup::kProgramName).string());

    // The installed program starts, runs its detector from the installation folder
    // (which records the image as disk 0) and has its help beside it.
    const fs::path image = root / "card.img";
    fs::resize_file((std::ofstream(image), image), 4 << 20);
    QProcess program;
    program.setProgram(QString::fromStdString((dest / setup::kProgramName).string()));
    program.setArguments({"--image", QString::fromStdString(image.string())});
    program.start();
    ASSERT_TRUE(program.waitForStarted(10000));
    std::optional<std::string> disk;
    for (int i = 0; i < 300 && !disk; ++i) {
        program.waitForFinished(100);
        disk = reader.value(RegistryRoot::ClassesRoot, "Quarrixdale Removal Media\\Size", "Disk0");
    }
    program.kill();
    program.waitForFinished(5000);
    EXPECT_EQ(disk, std::to_string(4 << 20)) << program.readAllStandardError().toStdString();
    EXPECT_TRUE(fs::exists(dest / "Help.chm"));

    // The uninstaller removes what was made.
    const auto out = qr::test::run(qr::test::shellQuote((dest / "RemoveUninstall").string()));
    EXPECT_EQ(out.exitCode, 0) << out.output;
    EXPECT_FALSE(fs::exists(group / "Help.desktop"));
    EXPECT_FALSE(fs::exists(dest / setup::kProgramName));
    EXPECT_FALSE(reader.value(RegistryRoot::ClassesRoot, setup::kInstallKey, setup::kInstallValue));
}

} // namespace
