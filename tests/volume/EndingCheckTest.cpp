// How a file's last bytes are judged against its extension's format.
#include "volume/EndingCheck.h"

#include <gtest/gtest.h>

#include <string>

namespace qr::volume {
namespace {

ContentVerdict ending(std::string_view name, const std::string& tail) {
    return CheckEnding(
        name, disk::ByteView(reinterpret_cast<const unsigned char*>(tail.data()), tail.size()));
}

// A ZIP end-of-directory record with a comment of `comment` bytes.
std::string endOfDirectory(std::size_t comment) {
    std::string record("PK\x05\x06", 4);
    record += std::string(16, '\x01');
    record += static_cast<char>(comment & 0xFF);
    record += static_cast<char>(comment >> 8);
    return record + std::string(comment, 'c');
}

TEST(EndingCheck, EachKnownFormatEndsItsOwnWay) {
    using C = ContentVerdict;
    EXPECT_EQ(ending("a.JPG", "data\xFF\xD9"), C::Fits);
    // The size a directory gives ends exactly at the marker: zeros behind it are another
    // reading's clusters.
    EXPECT_EQ(ending("a.jpeg", std::string("data\xFF\xD9") + std::string(300, '\0')),
              C::Contradicts);
    EXPECT_EQ(ending("a.jpg", "data\xFF\xD8"), C::Contradicts);
    EXPECT_EQ(ending("a.jpg", "\xFF\xD9 text"), C::Contradicts);
    EXPECT_EQ(ending("a.jpg", std::string(600, '\0')), C::Contradicts);
    EXPECT_EQ(ending("a.png", std::string("\0\0\0\0IEND\xAE\x42\x60\x82", 12)), C::Fits);
    EXPECT_EQ(ending("a.png", std::string("\0\0\0\0IEND\xAE\x42\x60\x83", 12)), C::Contradicts);
    EXPECT_EQ(ending("a.gif", "pixels\x3B"), C::Fits);
    EXPECT_EQ(ending("a.gif", "pixels"), C::Contradicts);
    EXPECT_EQ(ending("a.pdf", "stream\n%%EOF\r\n"), C::Fits);
    EXPECT_EQ(ending("a.pdf", "%%EOF and more"), C::Contradicts);
    EXPECT_EQ(ending("a.docx", "local entries" + endOfDirectory(0)), C::Fits);
    EXPECT_EQ(ending("a.zip", "x" + endOfDirectory(40)), C::Fits);
    // The record's comment length must reach the very end.
    EXPECT_EQ(ending("a.zip", "x" + endOfDirectory(40) + "extra"), C::Contradicts);
}

TEST(EndingCheck, UnknownFormatsAndTooShortTailsAreNotJudged) {
    using C = ContentVerdict;
    EXPECT_EQ(ending("a.bin", "\xFF\xD9"), C::Unknown);
    EXPECT_EQ(ending("a.mp4", "anything"), C::Unknown);
    EXPECT_EQ(ending("noextension", "\xFF\xD9"), C::Unknown);
    EXPECT_EQ(ending("a.jpg", "\xD9"), C::Unknown);
    EXPECT_EQ(ending("a.png", "IEND"), C::Unknown);
    EXPECT_EQ(ending("a.zip", std::string("PK\x05\x06", 4)), C::Unknown);
    EXPECT_EQ(ending("a.gif", ""), C::Unknown);
    EXPECT_EQ(ending("a.gif", std::string(8, '\0')), C::Contradicts);
}

} // namespace
} // namespace qr::volume
