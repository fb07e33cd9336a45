#pragma once
// The formats of the raw search, one row each: its list text, file names and count
// line, how a candidate is recognised (a header test at a sector start), how its
// length is found (a reader of its own structure) and, for a row that refines another
// one, the validator that tells the parent's file is of this kind. A new format is one
// row here and one reader file; the command line's --types and the wizard's kinds list
// are read from the rows.
//
// The four document rows (Word, Excel, PowerPoint, Zip) are found by the window rules
// of RawSignatures.h (header and end markers); every other row is found at sector
// starts by its header test and measured by its length finder. Rows found through a
// parent (an Office Open or OpenDocument file is a Zip archive, an M4A or CR3 file an
// ISO-BMFF movie) have no header test of their own: the parent's file is given the most
// specific ticked kind whose validator accepts it.
#include "raw/MediaLength.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qr::raw {

enum class RawKind : std::uint8_t {
    Word = 0,
    Excel = 1,
    PowerPoint = 2,
    Zip = 3,
    Jpeg = 4,
    Png = 5,
    CameraRaw = 6, // TIFF-based: CR2, NEF, ARW, DNG, TIFF
    Mp4 = 7,       // MP4, MOV, 3GP
    Avi = 8,
    Heic = 9,
    Cr3 = 10,
    Raf = 11,
    Rw2 = 12,
    Orf = 13,
    Gif = 14,
    Bmp = 15,
    WebP = 16,
    Pdf = 17,
    Mp3 = 18,
    Wav = 19,
    M4a = 20,
    Matroska = 21, // MKV, WebM
    Docx = 22,
    Xlsx = 23,
    Pptx = 24,
    Odt = 25,
    Ods = 26,
    Odp = 27,
};
inline constexpr std::size_t kRawKinds = 28;
// The kinds of the window rules come first.
inline constexpr std::size_t kDocumentKinds = 4;

// True when `bytes` (a sector or two held at a sector start) may start a file.
using HeaderTest = bool (*)(const unsigned char* bytes, std::size_t size);
// The length of the file that starts at offset 0, never behind `limit`.
using LengthFinder = std::optional<MediaLength> (*)(const FileBytesReader& read,
                                                    std::uint64_t limit);
// The extension a parent's file of `bytes` bytes takes as a file of this kind; nullopt
// when it is not one.
using Validator = std::optional<std::string_view> (*)(const FileBytesReader& read,
                                                      std::uint64_t bytes);

struct RawKindInfo {
    std::string_view listText;  // row of the file-type list
    std::string_view prefix;    // file name prefix
    std::string_view extension; // with its dot
    std::string_view countLine; // followed by the count
    std::string_view option;    // the command line's name for it
    bool tickedAtFirst = false; // ticked when the list is first shown
    // Searched for when no kinds are named, and listed in the wizard from the start.
    bool classic = false;
    // The bytes a header of this row may start with; empty: any byte.
    std::string_view leads{};
    HeaderTest header = nullptr;
    LengthFinder length = nullptr;
    // The row whose header and length find this row's files, with the validator.
    std::optional<RawKind> parent{};
    Validator validate = nullptr;
};

extern const std::array<RawKindInfo, kRawKinds> RawKindTable;

inline const RawKindInfo& InfoOf(RawKind kind) {
    return RawKindTable[static_cast<std::size_t>(kind)];
}

// Found at sector starts by a header test (itself or through its parent), apart from
// the documents of the window rules.
bool IsMediaKind(RawKind kind);

// The output name of file `number` of `kind`, such as "DOC7.DOC"; a picture or video
// may carry the extension its content calls for ("RAW3.NEF").
std::string CarvedFileName(RawKind kind, std::uint64_t number, std::string_view extension = {});

// The options of the rows, "jpg, png, ... and zip", for messages.
std::string KindOptionList(bool classicOnly);

} // namespace qr::raw
