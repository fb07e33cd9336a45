#include "volume/ContentCheck.h"

#include <gtest/gtest.h>
#include <string>

namespace qr::volume {
namespace {

ContentVerdict check(std::string_view name, std::string bytes) {
    bytes.resize(kContentCheckBytes, '\0');
    return CheckContent(name, {reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()});
}

TEST(ContentCheck, KnownFormatsFitTheirSignatureInAnyCaseOfTheExtension) {
    EXPECT_EQ(check("IMG_0001.JPG", "\xFF\xD8\xFF\xE1"), ContentVerdict::Fits);
    EXPECT_EQ(check("a.Png", "\x89PNG\r\n\x1A\n"), ContentVerdict::Fits);
    EXPECT_EQ(check("r.pdf", "%PDF-1.7"), ContentVerdict::Fits);
    EXPECT_EQ(check("w.docx", "PK\x03\x04"), ContentVerdict::Fits);
    EXPECT_EQ(check("w.doc", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"), ContentVerdict::Fits);
    EXPECT_EQ(check("v.mp4", std::string("\0\0\0\x18"
                                         "ftypisom",
                                         12)),
              ContentVerdict::Fits);
    EXPECT_EQ(check("v.MOV", std::string("\0\0\0\x08"
                                         "wide",
                                         8)),
              ContentVerdict::Fits);
    EXPECT_EQ(check("c.CR2", std::string("II*\0", 4)), ContentVerdict::Fits);
    EXPECT_EQ(check("s.wav", std::string("RIFF\x10\0\0\0WAVE", 12)), ContentVerdict::Fits);
    EXPECT_EQ(check("s.mp3", "\xFF\xFB\x90\x00"), ContentVerdict::Fits);
}

TEST(ContentCheck, OtherBytesUnderAKnownExtensionContradictIt) {
    // Zeros (a freed cluster), another format's bytes, a RIFF of another form.
    EXPECT_EQ(check("IMG_0001.JPG", ""), ContentVerdict::Contradicts);
    EXPECT_EQ(check("IMG_0001.JPG", "\x89PNG\r\n\x1A\n"), ContentVerdict::Contradicts);
    EXPECT_EQ(check("clip.avi", std::string("RIFF\x10\0\0\0WAVE", 12)),
              ContentVerdict::Contradicts);
    EXPECT_EQ(check("v.mp4", "moov moov moov"), ContentVerdict::Contradicts);
    EXPECT_EQ(check("s.mp3", "\xFF\xE0\x00\x00"), ContentVerdict::Contradicts); // reserved layer
}

TEST(ContentCheck, UnknownExtensionsAndShortHeadsAreNotJudged) {
    EXPECT_EQ(check("notes.txt", ""), ContentVerdict::Unknown);
    EXPECT_EQ(check("README", ""), ContentVerdict::Unknown);
    EXPECT_EQ(check("archive.", ""), ContentVerdict::Unknown);
    EXPECT_EQ(check("name.jpg.unknownext", ""), ContentVerdict::Unknown);
    const unsigned char three[] = {0xFF, 0xD8, 0xFF};
    EXPECT_EQ(CheckContent("a.wav", {three, 3}), ContentVerdict::Unknown);
    EXPECT_EQ(CheckContent("a.jpg", {three, 2}), ContentVerdict::Unknown);
    EXPECT_TRUE(HasContentSignature("x.heic"));
    EXPECT_FALSE(HasContentSignature("x.txt"));
}

} // namespace
} // namespace qr::volume
