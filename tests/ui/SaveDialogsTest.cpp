// "Save As" path rules, the "Saving" texts, the write-error answers and the two
// progress dialogs' worker hand-off.
#include "app/RecoveryContext.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"
#include "ui/SaveAsDialogModel.h"
#include "ui/SaveDialogsModel.h"
#include "ui/SaveProgressView.h"
#include "ui/SaveQuestions.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace qr::ui {
namespace {

namespace fs = std::filesystem;

TEST(SaveAs, ExistingOrOneNewLevelIsAcceptedElseInvalidPath) {
    test::TempDir dir;
    test::ScriptedMessages messages;
    output::SaveState save;
    SaveAsDialogModel dialog(save, &messages, "");
    dialog.setFolderText(dir.path().string());
    EXPECT_TRUE(dialog.accept());
    EXPECT_EQ(save.destinationFolder, dir.path().string());

    const std::string fresh = (dir / "new").string();
    dialog.setFolderText(fresh);
    EXPECT_TRUE(dialog.accept());
    EXPECT_TRUE(fs::is_directory(fresh));

    const std::string deep = (dir / "no" / "such").string();
    dialog.setFolderText(deep);
    EXPECT_FALSE(dialog.accept());
    EXPECT_TRUE(messages.saw("Invalid Path " + deep));
    EXPECT_FALSE(fs::exists(dir / "no"));

    dialog.cancel();
    EXPECT_TRUE(save.destinationFolder.empty());
    EXPECT_TRUE(save.destinationCancelled);
}

TEST(SaveAs, RefusesTheImageUnderRecoveryWithoutCreatingAnything) {
    test::TempDir dir;
    const fs::path image = dir / "card.img";
    std::ofstream(image) << "x";
    test::ScriptedMessages messages;
    output::SaveState save;
    SaveAsDialogModel dialog(save, &messages, image.string());
    dialog.setFolderText(image.string());
    EXPECT_FALSE(dialog.accept());
    ASSERT_EQ(messages.count(), 1u);
    EXPECT_NE(messages.texts()[0].find("disk being recovered"), std::string::npos);
    // A folder beside the image is fine.
    dialog.setFolderText((dir / "out").string());
    EXPECT_TRUE(dialog.accept());
}

TEST(SaveAs, SettingsButtonIsOffForRawModeAndTreeSaves) {
    EXPECT_TRUE(SaveAsDialogModel::settingsEnabled(app::kSearchStandard, output::kSaveSourceList));
    EXPECT_FALSE(SaveAsDialogModel::settingsEnabled(app::kSearchRaw, output::kSaveSourceList));
    EXPECT_FALSE(SaveAsDialogModel::settingsEnabled(app::kSearchStandard, output::kSaveSourceTree));
}

TEST(SavingTexts, FiguresPercentAndTimes) {
    output::SaveCounters c;
    c.filesToSave = 10;
    c.filesDone = 3;
    c.bytesToSave = 300u << 20;
    c.bytesDone = 100u << 20;
    const SavingTexts t = MakeSavingTexts(c, "/out/A.DOC", "A.DOC", 4096, 10000, 50);
    EXPECT_EQ(t.totalFiles, "3 / 10");
    EXPECT_EQ(t.currentFile, "4096 / 10000");
    EXPECT_EQ(t.dataDone, "100 MB");
    EXPECT_EQ(t.dataTotal, "300 MB");
    EXPECT_EQ(t.percent, 33);
    EXPECT_EQ(t.percentText, "33% Completed");
    EXPECT_EQ(t.timeElapsed, "0 Min 50 Sec");
    EXPECT_EQ(t.timeRemaining, "1 Min 40 Sec"); // 200 MB at 2 MB a second
    // Before a second has passed no times; bytes to save of 0 counts as 1.
    output::SaveCounters empty;
    empty.bytesDone = 4096;
    const SavingTexts early = MakeSavingTexts(empty, "p", "n", 0, 0, 0);
    EXPECT_TRUE(early.timeRemaining.empty());
    EXPECT_EQ(early.percent, 100);
}

TEST(WriteError, AbortStopsTheSaveAndSkipSkipsTheFile) {
    output::SaveState save;
    ApplyWriteErrorAnswer(save, WriteErrorAnswer::Abort);
    EXPECT_TRUE(save.stopSaving);
    EXPECT_FALSE(save.skipCurrent);
    ApplyWriteErrorAnswer(save, WriteErrorAnswer::Skip);
    EXPECT_FALSE(save.stopSaving);
    EXPECT_TRUE(save.skipCurrent);
}

TEST(ProgressDialogs, StartOnFirstPaintAndCloseOnThePaintAfterTheEnd) {
    app::RecoveryContext ctx;
    std::atomic<int> repaints{0};
    CalculatingSizeDialog dialog(ctx, [&] { ++repaints; });
    EXPECT_FALSE(dialog.paint()); // starts the count (an empty tree counts nothing)
    while (!dialog.finished())
        std::this_thread::yield();
    EXPECT_TRUE(dialog.paint());
    EXPECT_EQ(repaints, 1);
    EXPECT_FALSE(ctx.saveWorker.joinable());
    EXPECT_EQ(ctx.save.counters.filesToSave, 0u);
}

} // namespace
} // namespace qr::ui
