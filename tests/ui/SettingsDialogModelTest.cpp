// "Settings": the extension checks in their order, the 100-entry limit, Cancel, and
// the date positions with their window.
#include "ui/SettingsDialogModel.h"
#include "output/SaveSettings.h"
#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>

namespace qr::ui {
namespace {

using output::SaveSettings;

class Settings : public ::testing::Test {
protected:
    test::ScriptedMessages messages;
    SaveSettings settings;
};

TEST_F(Settings, ExtensionChecksRunInOrderWithTheirMessages) {
    SettingsDialogModel dialog(settings, &messages);
    EXPECT_FALSE(dialog.add("abcde"));
    EXPECT_FALSE(dialog.add(" ab.*")); // more than 4 characters wins over the blank
    EXPECT_FALSE(dialog.add(" a"));
    EXPECT_FALSE(dialog.add(""));
    EXPECT_FALSE(dialog.add("a.b"));
    EXPECT_FALSE(dialog.add("a*"));
    EXPECT_TRUE(dialog.add("doc"));
    EXPECT_FALSE(dialog.add("doc"));
    EXPECT_TRUE(dialog.add("DOC")); // letter case counts
    EXPECT_TRUE(dialog.add("a b")); // only the first character is tested for a blank
    const auto asked = messages.asked();
    ASSERT_EQ(asked.size(), 6u); // the empty text says nothing
    EXPECT_EQ(asked[0].text, "Extension should not exceed more than 4 characters");
    EXPECT_EQ(asked[0].icon, platform::MessageIcon::Error);
    EXPECT_EQ(asked[1].text, "Extension should not exceed more than 4 characters");
    EXPECT_EQ(asked[2].text, "Extension should not contain blank space");
    EXPECT_EQ(asked[2].icon, platform::MessageIcon::None);
    EXPECT_EQ(asked[3].text, "Do not include \".\" (DOT) in extension. Enter extensions like "
                             "this : tmp,html,bak etc..");
    EXPECT_EQ(asked[4].text,
              "Do not include \"*\" in extension. Enter extensions like this : tmp,html,bak etc..");
    EXPECT_EQ(asked[5].text, "This extension already exist. Enter different extension");
    EXPECT_EQ(asked[5].icon, platform::MessageIcon::None);
    for (const auto& m : asked)
        EXPECT_EQ(m.caption, "Quarrixdale Recovery-Memory Card");
}

TEST_F(Settings, ListBoxShowsNewEntriesOnTopWhileTheStoredListAppends) {
    settings.extensions = {"txt"};
    SettingsDialogModel dialog(settings, &messages);
    dialog.add("doc");
    dialog.add("xls");
    EXPECT_EQ(dialog.listBox(), (std::vector<std::string>{"xls", "doc", "txt"}));
    dialog.apply();
    EXPECT_EQ(settings.extensions, (std::vector<std::string>{"txt", "doc", "xls"}));
    SettingsDialogModel again(settings, &messages);
    EXPECT_EQ(again.listBox(), settings.extensions);
}

TEST_F(Settings, HundredthEntryIsTheLastEvenWithinOneOpening) {
    for (int i = 0; i < 60; ++i)
        settings.extensions.push_back("s" + std::to_string(i));
    SettingsDialogModel dialog(settings, &messages);
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(dialog.add("n" + std::to_string(i)));
    EXPECT_FALSE(dialog.add("more"));
    EXPECT_TRUE(messages.saw("Cannot add more extensions"));
}

TEST_F(Settings, RemoveTakesTheSelectedEntryAndSelectsTheFirst) {
    SettingsDialogModel dialog(settings, &messages);
    EXPECT_FALSE(dialog.remove(0).has_value());
    EXPECT_FALSE(dialog.removeEnabled());
    dialog.add("a");
    dialog.add("b");
    EXPECT_TRUE(dialog.removeEnabled());
    EXPECT_FALSE(dialog.remove(std::nullopt).has_value()); // nothing selected
    EXPECT_EQ(dialog.remove(1), std::optional<std::size_t>(0));
    EXPECT_EQ(dialog.listBox(), (std::vector<std::string>{"b"}));
    dialog.apply();
    EXPECT_EQ(settings.extensions, (std::vector<std::string>{"b"}));
}

TEST_F(Settings, CancelRestoresEverything) {
    for (bool startEmpty : {true, false}) {
        SaveSettings s;
        if (!startEmpty)
            s.extensions = {"jpg", "png"};
        const auto before = s.extensions;
        SettingsDialogModel dialog(s, &messages);
        dialog.setSavingMode(output::kSavingFat2);
        dialog.setDeletedFilter(output::kDeletedOnly);
        dialog.setSelectionMode(output::kSaveAllRows);
        dialog.add("doc");
        dialog.remove(1);
        dialog.selectDate(output::kAfterYear, 10);
        dialog.cancel();
        EXPECT_EQ(s.extensions, before);
        EXPECT_EQ(s.savingMode, output::kSavingAuto);
        EXPECT_EQ(s.deletedFilter, output::kIncludeDeleted);
        EXPECT_EQ(s.selectionMode, output::kSaveSelectedRows);
        EXPECT_FALSE(s.dateWindow.inForce());
    }
}

TEST_F(Settings, DefaultDatePositionsGiveTheWholeRange) {
    SettingsDialogModel dialog(settings, &messages);
    EXPECT_EQ(dialog.datePositions(), (std::array<int, 6>{30, 11, 60, 0, 0, 0}));
    EXPECT_FALSE(settings.dateWindow.inForce()); // nothing applied yet
    dialog.apply();
    const output::DateWindow& w = settings.dateWindow;
    EXPECT_EQ(w.fromDay, 1u);
    EXPECT_EQ(w.fromMonth, 1u);
    EXPECT_EQ(w.fromYear, 1970u);
    EXPECT_EQ(w.toDay, 31u);
    EXPECT_EQ(w.toMonth, 12u);
    EXPECT_EQ(w.toYear, 2030u);
    EXPECT_TRUE(w.inForce());
}

TEST(DateWindow, OutOfForceWindowsAndTheKeyRule) {
    output::DateWindow w;
    EXPECT_FALSE(w.inForce());
    w.fromYear = 2005;
    w.toYear = 2004; // below the from-year: not in force
    EXPECT_FALSE(w.inForce());
    w = output::DateWindowFromPositions({14, 5, 34, 0, 2, 34}); // 01-03-2004 .. 15-06-2004
    ASSERT_TRUE(w.inForce());
    EXPECT_FALSE(w.excludes(2004, 3, 1));
    EXPECT_FALSE(w.excludes(2004, 6, 15));
    EXPECT_TRUE(w.excludes(2004, 6, 16));
    EXPECT_TRUE(w.excludes(2004, 2, 29));
    EXPECT_TRUE(w.excludes(2005, 1, 1));
    // Months are 30 days long in the key: 31 May lies before 1 June.
    EXPECT_LT(output::DateKey(2004, 5, 31), output::DateKey(2004, 6, 2));
}

TEST(SaveFilters, ExtensionsCompareWithoutCase) {
    EXPECT_TRUE(output::ExtensionAdmitted({}, "anything"));
    EXPECT_TRUE(output::ExtensionAdmitted({"doc"}, "REPORT.DOC"));
    EXPECT_FALSE(output::ExtensionAdmitted({"doc"}, "notes.txt"));
    EXPECT_TRUE(output::ExtensionAdmitted({"README"}, "readme")); // no dot: the whole name
    EXPECT_EQ(output::ExtensionOf("a.tar.gz"), "gz");
    EXPECT_TRUE(output::DeletedFilterAdmits(output::kIncludeDeleted, true));
    EXPECT_FALSE(output::DeletedFilterAdmits(output::kExcludeDeleted, true));
    EXPECT_FALSE(output::DeletedFilterAdmits(output::kDeletedOnly, false));
}

} // namespace
} // namespace qr::ui
