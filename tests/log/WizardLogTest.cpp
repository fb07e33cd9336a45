// The log in the wizard: the close sequence's "Do you want to save the recovery?" Yes
// writes a log that loads, and Back waits while a load runs.
#include "app/RecoveryContext.h"
#include "app/RecoveryLogCommands.h"
#include "app/Wizard.h"
#include "model/RecoveryTree.h"
#include "output/RecoveryLogFormat.h"
#include "support/RecordingShell.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>

namespace qr::app {
namespace {

using platform::MessageAnswer;

class QuietView final : public WizardView {
public:
    void setItemText(int, const std::string&) override {}
    void showItem(int, bool) override {}
    void enableItem(int, bool) override {}
    void setProgress(int, int) override {}
    void selectEntry(int, int) override {}
    std::string itemText(int) override { return {}; }
    int selectedEntry(int) override { return -1; }
    void checkItem(int, bool) override {}
    void focusItem(int) override {}
    void setListRows(int, const std::vector<std::string>&) override {}
    void setSingleColumn(int, const std::string&, int) override {}
    void closeWindow() override { closed = true; }
    bool closed = false;
};

struct WizardRun {
    explicit WizardRun(std::vector<MessageAnswer> answers) : messages(std::move(answers)) {
        Services services;
        services.window = &view;
        services.messages = &messages;
        services.shell = &shell;
        ctx = std::make_unique<RecoveryContext>(services);
        ctx->diskModel = "Card Model 1";
    }
    void makeWizard(WizardEngines engines) {
        wizard = std::make_unique<Wizard>(*ctx, view, std::move(engines));
    }
    // A browse step over a small FAT tree, as after a search.
    void browse() {
        output::RecoveryLogSnapshot log;
        log.diskModel = ctx->diskModel;
        log.partitionType = log.fileSystemName = "FAT32";
        log.folders = {{"DOCS", 3, 0, 1, 2, false}, {"SUB", 4, 3, 1, 2, true}};
        RestoreRecoveryLog(*ctx, log);
        ctx->wizardStage = 3;
    }

    QuietView view;
    test::ScriptedMessages messages;
    test::RecordingShell shell;
    std::unique_ptr<RecoveryContext> ctx;
    std::unique_ptr<Wizard> wizard;
};

TEST(WizardLog, YesToSaveTheRecoveryOnCloseWritesALogThatLoads) {
    test::TempDir dir;
    WizardRun run({MessageAnswer::Yes, MessageAnswer::Yes});
    WizardEngines engines;
    const std::string chosen = (dir / "closing").string();
    engines.saveRecoveryLog = [chosen](RecoveryContext& ctx) {
        SaveRecoveryLog(ctx, [chosen]() -> std::optional<std::string> { return chosen; });
    };
    run.makeWizard(engines);
    run.browse();
    ASSERT_TRUE(run.wizard->closeSequence());
    EXPECT_EQ(run.messages.texts().front(), "Do you want to save the recovery?");

    const LogReadOutcome read = ReadRecoveryLog(chosen + ".DMS", "Card Model 1");
    ASSERT_EQ(read.outcome, LogLoadOutcome::Loaded) << read.problem;
    EXPECT_EQ(read.log->folders.size(), 2u);
    EXPECT_EQ(read.log->folders[1].name, "SUB");
    EXPECT_TRUE(read.log->folders[1].deleted);
}

TEST(WizardLog, BackAndTheSaveQuestionWaitWhileALoadRuns) {
    WizardRun run({MessageAnswer::No});
    int saves = 0;
    WizardEngines engines;
    engines.saveRecoveryLog = [&saves](RecoveryContext&) { ++saves; };
    run.makeWizard(engines);
    run.browse();
    run.ctx->logLoadRunning = true;
    run.wizard->back();
    EXPECT_EQ(run.ctx->wizardStage, 3);
    EXPECT_EQ(run.ctx->folderNodes.size(), 2u);
    run.wizard->closeSequence(); // asks to exit only; No keeps the window
    EXPECT_EQ(
        run.messages.texts(),
        std::vector<std::string>{"Do you want to exit from Quarrixdale Recovery-Memory Card?"});
    EXPECT_EQ(saves, 0);
    run.ctx->logLoadRunning = false;
}

} // namespace
} // namespace qr::app
