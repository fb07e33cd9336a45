#include "volume/EndingCheck.h"

#include "volume/FileExtension.h"

#include <string>

namespace qr::volume {

namespace {

enum class Ending { None, Jpeg, Png, Gif, Pdf, Zip };

struct ExtensionEnding {
    std::string_view extension;
    Ending ending;
};

constexpr ExtensionEnding kEndings[] = {
    {"jpg", Ending::Jpeg}, {"jpeg", Ending::Jpeg}, {"jpe", Ending::Jpeg}, {"png", Ending::Png},
    {"gif", Ending::Gif},  {"pdf", Ending::Pdf},   {"zip", Ending::Zip},  {"docx", Ending::Zip},
    {"xlsx", Ending::Zip}, {"pptx", Ending::Zip},  {"odt", Ending::Zip},  {"ods", Ending::Zip},
    {"odp", Ending::Zip},  {"epub", Ending::Zip},  {"jar", Ending::Zip},  {"apk", Ending::Zip},
};

Ending endingOf(std::string_view name) {
    const std::string extension = LowerExtension(name);
    for (const ExtensionEnding& known : kEndings)
        if (known.extension == extension)
            return known.ending;
    return Ending::None;
}

bool jpegEnds(disk::ByteView tail) {
    return tail.u8(tail.size() - 2) == 0xFF && tail.u8(tail.size() - 1) == 0xD9;
}

bool pngEnds(disk::ByteView tail) {
    static constexpr unsigned char kIend[] = {'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    return tail.size() >= sizeof kIend && tail.matches(tail.size() - sizeof kIend, kIend);
}

// A PDF writer may end its last line with any line break or blanks.
bool pdfEnds(disk::ByteView tail) {
    std::size_t end = tail.size();
    while (end > 0 && std::string_view(" \r\n\t").find(static_cast<char>(tail.u8(end - 1))) !=
                          std::string_view::npos)
        --end;
    return end >= 5 && tail.matches(end - 5, "%%EOF");
}

// The end-of-directory record is 22 bytes and a comment whose length it gives.
bool zipEnds(disk::ByteView tail) {
    for (std::size_t at = tail.size() >= 22 ? tail.size() - 22 + 1 : 0; at-- > 0;)
        if (tail.matches(at, "PK\x05\x06") && at + 22 + tail.u16(at + 20) == tail.size())
            return true;
    return false;
}

std::size_t bytesNeeded(Ending ending) {
    switch (ending) {
    case Ending::Png:
        return 8;
    case Ending::Zip:
        return 22;
    case Ending::Pdf:
        return 5;
    case Ending::Jpeg:
        return 2;
    default:
        return 1;
    }
}

bool ends(Ending ending, disk::ByteView tail) {
    switch (ending) {
    case Ending::Jpeg:
        return jpegEnds(tail);
    case Ending::Png:
        return pngEnds(tail);
    case Ending::Gif:
        return tail.u8(tail.size() - 1) == 0x3B;
    case Ending::Pdf:
        return pdfEnds(tail);
    case Ending::Zip:
        return zipEnds(tail);
    case Ending::None:
        break;
    }
    return false;
}

} // namespace

ContentVerdict CheckEnding(std::string_view name, disk::ByteView tail) {
    const Ending ending = endingOf(name);
    if (ending == Ending::None || tail.size() < bytesNeeded(ending))
        return ContentVerdict::Unknown;
    return ends(ending, tail) ? ContentVerdict::Fits : ContentVerdict::Contradicts;
}

} // namespace qr::volume
