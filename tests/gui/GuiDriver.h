#pragma once
// Driving the wizard window like a user: a window over a fresh registry store with
// the demo card as Disk0, clicks on tree items and buttons, waiting for workers, and
// answering the modal dialogs as they open.
#include "MainWindow.h"
#include "ReportDoubles.h"
#include "platform/FileRegistryStore.h"
#include "platform/Programs.h"
#include "support/RecordingShell.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QTreeView>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qr::test {

struct GuiSession {
    // Builds the demo card (once per test program) and a window listing it as Disk0.
    // `images` are listed after it (or alone, without the card).
    explicit GuiSession(std::vector<platform::MessageAnswer> answers = {}, bool withCard = true,
                        std::vector<std::string> images = {});
    ~GuiSession();

    static const std::filesystem::path& demoCard();

    TempDir dir;
    std::unique_ptr<platform::FileRegistryStore> registry;
    ScriptedMessages messages;
    RecordingShell shell;
    PdfPrinters printers;
    RecordingMailer mailer;
    std::unique_ptr<gui::MainWindow> window;
};

// Processes events until `done` holds or `timeoutMs` passes; false on timeout.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 20000);
// The index of the item with this text in a tree view (searched at every level).
QModelIndex findRow(QTreeView* view, const QString& text);
void clickRow(QTreeView* view, const QModelIndex& index);
void click(QWidget* button);
// Moves the pointer onto the widget, as a user passing over it.
void hover(QWidget* widget);
// Runs `answer` on the next modal dialog of type T once it is open.
void onNextModal(const std::function<bool(QWidget*)>& answer);
// Answers the next file dialog with `path` (typed into its name box), until it closes.
// The dialog is looked for among the top-level windows: it need not be the active modal
// one when the test's window has no focus.
void answerFileDialog(const std::string& path);
// The whole content of a file ("" when it cannot be read).
std::string fileText(const std::filesystem::path& path);
// The first file named `name` (case ignored: short FAT names come back in upper case)
// anywhere under `root`; empty when there is none.
std::filesystem::path findFile(const std::filesystem::path& root, const std::string& name);
// Shows the window and takes its Disk0 to the partition step of the Standard search.
void toPartitionStep(gui::MainWindow& w);
// Ticks the folder's check box in a tree view.
void tickRow(QTreeView* view, const QModelIndex& index);
// Saves the ticked folders from the Save button into `destination` through "Save As".
void saveTickedTo(gui::MainWindow& w, const std::filesystem::path& destination);
// Saves a picture of the widget as NAME.png when QR_SCREENSHOT_DIR is set.
void screenshot(QWidget* widget, const std::string& name);
// Texts that do not fit their control, and controls over each other or outside their
// frame or window (widgets/LayoutCheck.h), once the window's queued layout has run.
std::vector<std::string> layoutProblems(QWidget* top);

} // namespace qr::test
