#include "volume/ContentCheck.h"

#include "volume/FileExtension.h"

#include <string>

namespace qr::volume {

namespace {

enum class Signature {
    None,
    Jpeg,
    Png,
    Gif,
    Bmp,
    Tiff,
    Pdf,
    Zip,
    Compound,
    IsoMedia,
    QuickTime,
    Avi,
    Wave,
    WebP,
    Matroska,
    Mp3,
    Rar,
    SevenZip,
    Gzip
};

struct ExtensionSignature {
    std::string_view extension;
    Signature signature;
};

// Lower-case extensions. Camera raw files are TIFF containers except CR3 (ISO media).
constexpr ExtensionSignature kExtensions[] = {
    {"jpg", Signature::Jpeg},      {"jpeg", Signature::Jpeg},     {"jpe", Signature::Jpeg},
    {"png", Signature::Png},       {"gif", Signature::Gif},       {"bmp", Signature::Bmp},
    {"tif", Signature::Tiff},      {"tiff", Signature::Tiff},     {"cr2", Signature::Tiff},
    {"nef", Signature::Tiff},      {"arw", Signature::Tiff},      {"dng", Signature::Tiff},
    {"pdf", Signature::Pdf},       {"zip", Signature::Zip},       {"docx", Signature::Zip},
    {"xlsx", Signature::Zip},      {"pptx", Signature::Zip},      {"odt", Signature::Zip},
    {"ods", Signature::Zip},       {"odp", Signature::Zip},       {"epub", Signature::Zip},
    {"jar", Signature::Zip},       {"apk", Signature::Zip},       {"doc", Signature::Compound},
    {"xls", Signature::Compound},  {"ppt", Signature::Compound},  {"msg", Signature::Compound},
    {"mp4", Signature::IsoMedia},  {"m4v", Signature::IsoMedia},  {"m4a", Signature::IsoMedia},
    {"3gp", Signature::IsoMedia},  {"heic", Signature::IsoMedia}, {"heif", Signature::IsoMedia},
    {"cr3", Signature::IsoMedia},  {"mov", Signature::QuickTime}, {"avi", Signature::Avi},
    {"wav", Signature::Wave},      {"webp", Signature::WebP},     {"mkv", Signature::Matroska},
    {"webm", Signature::Matroska}, {"mp3", Signature::Mp3},       {"rar", Signature::Rar},
    {"7z", Signature::SevenZip},   {"gz", Signature::Gzip},
};

Signature signatureOf(std::string_view name) {
    const std::string extension = LowerExtension(name);
    if (extension.empty())
        return Signature::None;
    for (const ExtensionSignature& known : kExtensions)
        if (known.extension == extension)
            return known.signature;
    return Signature::None;
}

bool riffOf(disk::ByteView head, std::string_view form) {
    return head.matches(0, "RIFF") && head.matches(8, form);
}

// A QuickTime file may begin with any of its top-level atoms, not only "ftyp".
bool quickTimeAtom(disk::ByteView head) {
    for (std::string_view atom : {"ftyp", "moov", "mdat", "wide", "free", "skip", "pnot"})
        if (head.matches(4, atom))
            return true;
    return false;
}

// An MPEG audio frame header: eleven set sync bits, then a layer that is not reserved.
bool mpegAudioFrame(disk::ByteView head) {
    return head.u8(0) == 0xFF && (head.u8(1) & 0xE0) == 0xE0 && (head.u8(1) & 0x06) != 0;
}

// Bytes needed before a signature can be told apart from anything else.
std::size_t bytesNeeded(Signature signature) {
    switch (signature) {
    case Signature::Avi:
    case Signature::Wave:
    case Signature::WebP:
    case Signature::IsoMedia:
    case Signature::QuickTime:
        return 12;
    case Signature::Png:
    case Signature::Compound:
        return 8;
    default:
        return 4;
    }
}

bool fits(Signature signature, disk::ByteView head) {
    static constexpr unsigned char kPng[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    static constexpr unsigned char kCompound[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    static constexpr unsigned char kJpeg[] = {0xFF, 0xD8, 0xFF};
    static constexpr unsigned char kMatroska[] = {0x1A, 0x45, 0xDF, 0xA3};
    static constexpr unsigned char kSevenZip[] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
    static constexpr unsigned char kGzip[] = {0x1F, 0x8B};
    switch (signature) {
    case Signature::Jpeg:
        return head.matches(0, kJpeg);
    case Signature::Png:
        return head.matches(0, kPng);
    case Signature::Gif:
        return head.matches(0, "GIF87a") || head.matches(0, "GIF89a");
    case Signature::Bmp:
        return head.matches(0, "BM");
    case Signature::Tiff:
        return head.matches(0, std::string_view("II*\0", 4)) ||
               head.matches(0, std::string_view("MM\0*", 4)) || head.matches(0, "IIRO") ||
               head.matches(0, "IIU"); // ORF, RW2
    case Signature::Pdf:
        return head.matches(0, "%PDF-");
    case Signature::Zip:
        return head.matches(0, "PK\x03\x04") || head.matches(0, "PK\x05\x06") ||
               head.matches(0, "PK\x07\x08");
    case Signature::Compound:
        return head.matches(0, kCompound);
    case Signature::IsoMedia:
        return head.matches(4, "ftyp");
    case Signature::QuickTime:
        return quickTimeAtom(head);
    case Signature::Avi:
        return riffOf(head, "AVI ");
    case Signature::Wave:
        return riffOf(head, "WAVE");
    case Signature::WebP:
        return riffOf(head, "WEBP");
    case Signature::Matroska:
        return head.matches(0, kMatroska);
    case Signature::Mp3:
        return head.matches(0, "ID3") || mpegAudioFrame(head);
    case Signature::Rar:
        return head.matches(0, "Rar!");
    case Signature::SevenZip:
        return head.matches(0, kSevenZip);
    case Signature::Gzip:
        return head.matches(0, kGzip);
    case Signature::None:
        break;
    }
    return false;
}

} // namespace

bool HasContentSignature(std::string_view name) {
    return signatureOf(name) != Signature::None;
}

ContentVerdict CheckContent(std::string_view name, disk::ByteView head) {
    const Signature signature = signatureOf(name);
    if (signature == Signature::None || head.size() < bytesNeeded(signature))
        return ContentVerdict::Unknown;
    return fits(signature, head) ? ContentVerdict::Fits : ContentVerdict::Contradicts;
}

} // namespace qr::volume
