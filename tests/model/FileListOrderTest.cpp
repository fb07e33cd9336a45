// The browse step's order and filter: sizes as numbers, dates by day whatever their
// digits, times by seconds; the filter box's name part, extension, type and checks;
// and the photo, video and sound labels.
#include "model/FileListOrder.h"
#include "model/MediaTypeLabels.h"

#include <gtest/gtest.h>

namespace qr::model {
namespace {

FileListRow row(const std::string& name, const std::string& type, const std::string& size,
                const std::string& date, const std::string& time) {
    FileListRow r;
    r.cells[file_col::Name] = name;
    r.cells[file_col::Type] = type;
    r.cells[file_col::Size] = size;
    r.cells[file_col::Date] = date;
    r.cells[file_col::Time] = time;
    return r;
}

TEST(FileListOrder, NumbersDatesAndTimesCompareByValueNotText) {
    const FileListRow small = row("b.jpg", "File", "900", "05-Mar-2021", "09:05");
    const FileListRow large = row("A.jpg", "File", "10000", "17-Jan-2019", "14:30");
    EXPECT_TRUE(RowBefore(small, large, file_col::Size)); // "900" > "10000" as text
    EXPECT_FALSE(RowBefore(large, small, file_col::Size));
    EXPECT_TRUE(RowBefore(large, small, file_col::Date)); // 2019 before 2021
    EXPECT_TRUE(RowBefore(small, large, file_col::Time));
    EXPECT_TRUE(RowBefore(large, small, file_col::Name)); // any case
    // NTFS dates and times have unpadded fields; a month that cannot be read goes first.
    const FileListRow ntfs = row("c", "File", "1", "3-Dec-2019", "9:5:7");
    const FileListRow broken = row("d", "File", "1", "00-Err-1980", "00:00");
    EXPECT_TRUE(RowBefore(large, ntfs, file_col::Date));
    EXPECT_TRUE(RowBefore(broken, large, file_col::Date));
    EXPECT_TRUE(RowBefore(small, ntfs, file_col::Time)); // 09:05 before 9:5:7
    EXPECT_FALSE(RowBefore(ntfs, small, file_col::Time));
    // A size of more digits than 64 bits holds does not wrap around.
    EXPECT_TRUE(
        RowBefore(small, row("e", "File", "99999999999999999999999", "", ""), file_col::Size));
    EXPECT_FALSE(RowBefore(small, large, -1));
    EXPECT_FALSE(RowBefore(small, large, file_col::Count));
}

TEST(FileListOrder, FilterMatchesNamePartExtensionTypeAndChecks) {
    const FileListRow photo = row("IMG_0001.JPG", "Deleted File", "1", "", "");
    const FileListRow letter = row("letter.doc", "Microsoft Word File", "1", "", "");
    RowFilter f;
    EXPECT_TRUE(RowPasses(photo, "Deleted JPEG Image", "intact", f));
    f.text = "img_";
    EXPECT_TRUE(RowPasses(photo, "", "", f));
    EXPECT_FALSE(RowPasses(letter, "", "", f));
    f.text = ".jpg";
    EXPECT_TRUE(RowPasses(photo, "", "", f));
    EXPECT_FALSE(RowPasses(letter, "", "", f));
    f.text = ".JPGX";
    EXPECT_FALSE(RowPasses(photo, "", "", f));
    f.text = "jpeg image"; // the shown label
    EXPECT_TRUE(RowPasses(photo, "Deleted JPEG Image", "", f));
    f.text = "word"; // the table's own label
    EXPECT_TRUE(RowPasses(letter, "Microsoft Word File", "", f));
    f.text.clear();
    f.deletedOnly = true;
    EXPECT_TRUE(RowPasses(photo, "", "", f));
    EXPECT_FALSE(RowPasses(letter, "", "", f));
    f.recoverableOnly = true;
    EXPECT_TRUE(RowPasses(photo, "", "partly overwritten", f));
    EXPECT_FALSE(RowPasses(photo, "", "overwritten", f));
}

TEST(MediaTypeLabels, PhotoVideoAndSoundExtensionsInAnyCase) {
    EXPECT_EQ(MediaTypeLabel("IMG_0001.JPG", false), "JPEG Image");
    EXPECT_EQ(MediaTypeLabel("IMG_0001.jpg", true), "Deleted JPEG Image");
    EXPECT_EQ(MediaTypeLabel("clip.MOV", false), "QuickTime Video");
    EXPECT_EQ(MediaTypeLabel("song.mp3", true), "Deleted MP3 Audio");
    EXPECT_EQ(MediaTypeLabel("letter.doc", false), std::nullopt);
    EXPECT_EQ(MediaTypeLabel("noextension", false), std::nullopt);
    EXPECT_EQ(MediaTypeLabel("archive.jpg.backup", false), std::nullopt);
    EXPECT_EQ(MediaTypeLabel(".", false), std::nullopt);
}

} // namespace
} // namespace qr::model
