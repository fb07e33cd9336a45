// The folder the raw search writes into: finished files stay and are settled once, a
// stopped one is removed, a failed one stays as far as it got, an older file of the same name is
// replaced, and a link in its place is not written through.
#include "output/CarvedFileFolder.h"
#include "RawTestMedia.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace qr::output {
namespace {

disk::ByteView view(const std::string& text) {
    return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

std::string contents(const std::filesystem::path& path) {
    const auto bytes = test::readFile(path);
    return {bytes.begin(), bytes.end()};
}

TEST(CarvedFileFolder, FinishedFilesStayAndAStoppedOneIsRemoved) {
    test::TempDir dir;
    { std::ofstream(dir / "DOC1.DOC") << "an older file of a search before"; }
    CarvedFileFolder folder(dir.path().string());
    ASSERT_TRUE(folder.create("DOC1.DOC"));
    ASSERT_TRUE(folder.write(view("first ")));
    ASSERT_TRUE(folder.write(view("file")));
    ASSERT_TRUE(folder.finish());
    EXPECT_EQ(contents(dir / "DOC1.DOC"), "first file");

    ASSERT_TRUE(folder.create("ZIP2.ZIP"));
    ASSERT_TRUE(folder.write(view("half")));
    folder.discard();
    EXPECT_FALSE(std::filesystem::exists(dir / "ZIP2.ZIP"));

    ASSERT_TRUE(folder.create("XLS3.XLS"));
    ASSERT_TRUE(folder.write(view("as far as it got")));
    folder.abandon();
    EXPECT_EQ(contents(dir / "XLS3.XLS"), "as far as it got");
    // Only the finished file waits to be made durable, and only once.
    EXPECT_EQ(folder.settle(), std::vector<bool>{true});
    EXPECT_TRUE(folder.settle().empty());
    EXPECT_EQ(contents(dir / "DOC1.DOC"), "first file");

    // A file left open when the folder goes away is removed with it; one finished but
    // not yet settled stays.
    {
        CarvedFileFolder other(dir.path().string());
        ASSERT_TRUE(other.create("JPG5.JPG"));
        ASSERT_TRUE(other.write(view("whole")));
        ASSERT_TRUE(other.finish());
        ASSERT_TRUE(other.create("PPT4.PPT"));
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "PPT4.PPT"));
    EXPECT_EQ(contents(dir / "JPG5.JPG"), "whole");
}

TEST(CarvedFileFolder, ALinkInTheFilesPlaceIsNotWrittenThrough) {
    test::TempDir dir;
    { std::ofstream(dir / "target") << "keep"; }
    std::filesystem::create_symlink(dir / "target", dir / "ZIP1.ZIP");
    CarvedFileFolder folder(dir.path().string());
    EXPECT_FALSE(folder.create("ZIP1.ZIP"));
    EXPECT_EQ(contents(dir / "target"), "keep");
    // A folder that does not exist gives no file either.
    CarvedFileFolder missing((dir / "none").string());
    EXPECT_FALSE(missing.create("DOC1.DOC"));
}

} // namespace
} // namespace qr::output
