// Enter on a file-list row: folders open, files are extracted into the work folder
// and handed to xdg-open, with the chooser when no program is associated.
#include "app/ExtractCommands.h"
#include "app/FolderCommands.h"
#include "app/RecoveryContext.h"
#include "model/FileList.h"
#include "output/OpenListEntry.h"
#include "support/FatImages.h"
#include "support/SaveFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace qr::output {
namespace {

class RecordingLauncher final : public ProcessLauncher {
public:
    explicit RecordingLauncher(std::vector<int> statuses) : statuses_(std::move(statuses)) {}
    int run(const std::vector<std::string>& argv) override {
        calls.push_back(argv);
        const std::size_t i = calls.size() - 1;
        return i < statuses_.size() ? statuses_[i] : 0;
    }
    std::vector<std::vector<std::string>> calls;

private:
    std::vector<int> statuses_;
};

class FixedChooser final : public ProgramChooser {
public:
    explicit FixedChooser(std::string program) : program_(std::move(program)) {}
    std::string chooseProgram(const std::string& path) override {
        asked.push_back(path);
        return program_;
    }
    std::vector<std::string> asked;

private:
    std::string program_;
};

TEST(OpenWithShell, NoAssociationBringsUpTheChooser) {
    RecordingLauncher opened({0});
    EXPECT_EQ(OpenWithShell("/w/a.doc", opened, nullptr), ShellOpen::Opened);
    EXPECT_EQ(opened.calls[0], (std::vector<std::string>{"xdg-open", "/w/a.doc"}));

    for (int status : {3, 4}) {
        RecordingLauncher launcher({status, 0});
        FixedChooser chooser("libreoffice");
        EXPECT_EQ(OpenWithShell("/w/a.xyz", launcher, &chooser),
                  ShellOpen::OpenedWithChosenProgram);
        EXPECT_EQ(chooser.asked, (std::vector<std::string>{"/w/a.xyz"}));
        EXPECT_EQ(launcher.calls[1], (std::vector<std::string>{"libreoffice", "/w/a.xyz"}));
    }
    // Other failures say nothing and ask nothing.
    RecordingLauncher failed({2});
    FixedChooser chooser("x");
    EXPECT_EQ(OpenWithShell("/w/a", failed, &chooser), ShellOpen::NotOpened);
    EXPECT_TRUE(chooser.asked.empty());
}

TEST(OpenWithShell, WorkFolderGetsOneSeparator) {
    EXPECT_EQ(OpenedFilePath("/tmp/work", "A.DOC"), "/tmp/work/A.DOC");
    EXPECT_EQ(OpenedFilePath("/tmp/work/", "A.DOC"), "/tmp/work/A.DOC");
}

TEST(OpenListEntry, FileRowsOpenAndFolderRowsDescend) {
    if (!test::haveFatTools())
        GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
    test::TempDir dir;
    test::FatImage image(dir / "card.img", {});
    const std::string content = test::PatternBytes(3000, 21);
    image.mkdir("::/DOCS");
    image.writeFile("::/DOCS/A.DOC", content);
    app::RecoveryContext ctx;
    test::SearchFatImage(ctx, image);
    ctx.workFolder = (dir / "work" / "sub").string(); // made when missing
    RecordingLauncher launcher({0});
    const ShellServices shell{&launcher, nullptr};

    const model::TreeItem root = ctx.recoveryTree.firstTopLevel();
    app::ListFolder(ctx, root, model::kMouseFolderLabels);
    int docsRow = -1;
    for (int r = 0; r < ctx.fileList.rowCount(); ++r)
        if (ctx.fileList.row(r).cells[model::file_col::Name] == "DOCS")
            docsRow = r;
    ASSERT_GE(docsRow, 0);

    ctx.wizardStage = 1; // not browsing yet: nothing happens
    EXPECT_EQ(OpenListEntry(ctx, docsRow, shell), OpenedAs::Nothing);
    ctx.wizardStage = 3;
    EXPECT_EQ(OpenListEntry(ctx, docsRow, shell), OpenedAs::Folder);
    ASSERT_EQ(ctx.fileList.rowCount(), 1);
    EXPECT_EQ(ctx.fileList.row(0).cells[model::file_col::Name], "A.DOC");

    EXPECT_EQ(OpenListEntry(ctx, 0, shell), OpenedAs::File);
    const std::string opened = (dir / "work" / "sub" / "A.DOC").string();
    EXPECT_EQ(test::ReadWholeFile(opened), content);
    ASSERT_EQ(launcher.calls.size(), 1u);
    EXPECT_EQ(launcher.calls[0], (std::vector<std::string>{"xdg-open", opened}));
}

} // namespace
} // namespace qr::output
