// Saving a log: the name rules and the dialog loop with its messages, the file written
// where the user chose (letter case kept), failures reported, and the commands refused
// in Raw mode or on the wrong step.
#include "app/RecoveryContext.h"
#include "app/RecoveryLogCommands.h"
#include "output/RecoveryLogFormat.h"
#include "support/SaveFixtures.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <deque>
#include <fstream>
#include <gtest/gtest.h>

namespace qr::app {
namespace {

namespace fs = std::filesystem;
using platform::MessageAnswer;

class SaveLog : public ::testing::Test {
protected:
    SaveLog() {
        Services services;
        services.messages = &messages;
        ctx = std::make_unique<RecoveryContext>(services);
        ctx->diskModel = "Card Model";
        ctx->searchMode = kSearchStandard;
        ctx->wizardStage = 3;
        ctx->volumeParams.fileSystemName = "FAT32";
        ctx->activeGeometry.fileSystemName = "FAT32";
    }
    // The save-file dialog giving `names` in turn, then cancelling.
    output::ChooseLogPath dialog(std::vector<std::string> names) {
        auto queue = std::make_shared<std::deque<std::string>>(names.begin(), names.end());
        return [this, queue]() -> std::optional<std::string> {
            ++shown;
            if (queue->empty())
                return std::nullopt;
            std::string name = queue->front();
            queue->pop_front();
            return name;
        };
    }
    bool isLog(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
        const auto parsed = output::ParseRecoveryLog(bytes);
        return parsed.snapshot && parsed.snapshot->diskModel == "Card Model";
    }
    std::string folder(const std::string& name) {
        fs::create_directories(dir / name);
        return (dir / name).string();
    }

    test::ScriptedMessages messages;
    std::unique_ptr<RecoveryContext> ctx;
    test::TempDir dir;
    int shown = 0;
};

TEST_F(SaveLog, NameWithoutExtensionGetsTheEndingEvenInsideADottedFolder) {
    const std::string home = folder("j.doe");
    EXPECT_TRUE(SaveRecoveryLog(*ctx, dialog({home + "/recovery"})));
    EXPECT_TRUE(isLog(home + "/recovery.DMS"));
    EXPECT_TRUE(SaveRecoveryLog(*ctx, dialog({folder(".hidden") + "/card"})));
    EXPECT_TRUE(isLog(dir / ".hidden/card.DMS"));
    EXPECT_EQ(messages.count(), 0u);
    EXPECT_EQ(output::WithLogEnding("name.DMS"), "name.DMS");
    EXPECT_EQ(output::WithLogEnding("a.b/c"), "a.b/c.DMS");
}

TEST_F(SaveLog, TheEndingIsTestedInAnyCaseAndThePathIsKeptAsChosen) {
    const std::string mixed = folder("Mixed Case") + "/Card.dMs";
    EXPECT_TRUE(SaveRecoveryLog(*ctx, dialog({mixed})));
    EXPECT_TRUE(isLog(mixed));
    EXPECT_FALSE(fs::exists(dir / "MIXED CASE"));
    EXPECT_EQ(messages.count(), 0u);
}

TEST_F(SaveLog, AnotherExtensionIsRefusedAndTheDialogShownAgain) {
    const std::string base = folder("out");
    EXPECT_TRUE(
        SaveRecoveryLog(*ctx, dialog({base + "/notes.txt", base + "/x.DMSX", base + "/ok"})));
    EXPECT_EQ(messages.countOf(output::kInvalidExtension), 2u);
    EXPECT_EQ(shown, 3);
    EXPECT_FALSE(fs::exists(base + "/notes.txt"));
    EXPECT_TRUE(isLog(base + "/ok.DMS"));
    // Cancel writes nothing.
    EXPECT_FALSE(SaveRecoveryLog(*ctx, dialog({base + "/bad.doc"})));
    EXPECT_EQ(fs::directory_iterator(base)->path().filename(), "ok.DMS");
}

TEST_F(SaveLog, ReplacingAFileTypedWithoutTheEndingIsAsked) {
    const std::string base = folder("out");
    std::ofstream(base + "/old.DMS") << "keep";
    messages.queue(MessageAnswer::No);
    EXPECT_FALSE(SaveRecoveryLog(*ctx, dialog({base + "/old"})));
    ASSERT_EQ(messages.count(), 1u);
    EXPECT_EQ(messages.texts()[0],
              base + "/old.DMS already exists. Do you want to overwrite this file?");
    EXPECT_EQ(test::ReadWholeFile(base + "/old.DMS"), "keep");

    messages.queue(MessageAnswer::Yes);
    EXPECT_TRUE(SaveRecoveryLog(*ctx, dialog({base + "/old"})));
    EXPECT_TRUE(isLog(base + "/old.DMS"));

    // Typed with the ending: the dialog has asked already.
    EXPECT_TRUE(SaveRecoveryLog(*ctx, dialog({base + "/old.DMS"})));
    EXPECT_EQ(messages.count(), 2u);
    // Once a name was typed without the ending, the loop asks for the rest of it.
    messages.queue(MessageAnswer::Yes);
    EXPECT_TRUE(SaveRecoveryLog(*ctx, dialog({base + "/old.txt", base + "/old.DMS"})));
    EXPECT_EQ(messages.count(), 4u);
}

TEST_F(SaveLog, AFileThatCannotBeCreatedIsReported) {
    EXPECT_FALSE(SaveRecoveryLog(*ctx, dialog({(dir / "no/such/folder/x.DMS").string()})));
    EXPECT_TRUE(messages.saw(output::kUnableToOpenFile));
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(output::WriteLogFile("/dev/full", std::vector<unsigned char>(100, 1)),
                  output::LogWriteResult::CannotWrite);
    }
}

TEST_F(SaveLog, CommandsRefuseInRawModeAndButtonsActOnlyOnTheirStep) {
    RecoveryLogDialogs dialogs;
    dialogs.chooseSavePath = dialog({(dir / "a").string()});
    dialogs.chooseLoadPaths = [this] {
        ++shown;
        return std::vector<std::string>{};
    };
    ctx->searchMode = kSearchRaw;
    SaveLogCommand(*ctx, dialogs, LogCommandSource::Button);
    LoadLogCommand(*ctx, dialogs, LogCommandSource::Menu);
    EXPECT_EQ(messages.countOf(kRawModeRefusal), 2u);
    EXPECT_EQ(shown, 0);

    ctx->searchMode = kSearchStandard;
    ctx->wizardStage = 1;
    SaveLogCommand(*ctx, dialogs, LogCommandSource::Button); // Save Log on step 1: nothing
    EXPECT_EQ(shown, 0);
    ctx->wizardStage = 3;
    LoadLogCommand(*ctx, dialogs, LogCommandSource::Button); // Load Log on step 3: nothing
    EXPECT_EQ(shown, 0);
    SaveLogCommand(*ctx, dialogs, LogCommandSource::Button);
    EXPECT_TRUE(isLog(dir / "a.DMS"));
}

} // namespace
} // namespace qr::app
