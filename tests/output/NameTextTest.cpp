// Names as the listing writes them (escaped) and as the wizard shows them (marks).
#include "output/NameText.h"

#include <gtest/gtest.h>

namespace qr::output {
namespace {

TEST(NameText, ListingEscapesControlCharactersAndBackslashes) {
    EXPECT_EQ(EscapeListedName("plain name.txt"), "plain name.txt");
    EXPECT_EQ(EscapeListedName("a\nb\tc\rd"), "a\\nb\\tc\\rd");
    EXPECT_EQ(EscapeListedName("\x1b[31mred"), "\\x1b[31mred");
    EXPECT_EQ(EscapeListedName(std::string("nul\0end", 7)), "nul\\x00end");
    EXPECT_EQ(EscapeListedName("del\x7f"), "del\\x7f");
    // A backslash is escaped too, so "\n" in a name cannot pass for an escaped LF.
    EXPECT_EQ(EscapeListedName("C:\\n"), "C:\\\\n");
    // UTF-8 beyond ASCII stays as it is (its bytes are all 0x80 or above).
    EXPECT_EQ(EscapeListedName("Größe 写真"), "Größe 写真");
}

TEST(NameText, WizardShowsControlCharactersAsVisibleMarks) {
    EXPECT_EQ(VisibleControlMarks("a\nb"), "a\u240Ab");
    EXPECT_EQ(VisibleControlMarks("\x1b"), "\u241B");
    EXPECT_EQ(VisibleControlMarks(std::string("\0", 1)), "\u2400");
    EXPECT_EQ(VisibleControlMarks("\x7f"), "\u2421");
    EXPECT_EQ(VisibleControlMarks("back\\slash é"), "back\\slash é");
}

} // namespace
} // namespace qr::output
