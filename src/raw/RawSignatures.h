#pragma once
// The fixed tables of the document rules of the content search: the six header / end
// marker pairs and the markers that correct a document's kind. The kinds themselves
// are the rows of CarvedFormats.h.
#include "raw/CarvedFormats.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qr::raw {

struct RawSignature {
    std::string_view header; // compared at a sector start
    std::string_view end;    // compared at any byte
    RawKind kind;
};

inline constexpr std::size_t kRawSignatures = 6;
inline constexpr int kZipEntry = 5;
inline constexpr int kExcel5Entry = 4;

// The order matters: the end of a compound document is chosen among entries 0 to 2
// first, then 3, 4 and 5.
extern const std::array<RawSignature, kRawSignatures> RawSignatureTable;

// True when `entry` may end a file whose header matched `headerEntry`: the end marker
// of a row counts only for a file that its own header marker started.
bool EndFitsHeader(int headerEntry, int entry);

// A file started by this entry's header is a compound document (or an Excel 5.0 form).
inline bool IsDocumentEntry(int entry) {
    return entry >= 0 && entry < kZipEntry;
}

struct DocumentCheck {
    std::string_view marker;
    std::uint32_t offset; // from the start of the file's first sector
    RawKind kind;
};

extern const std::array<DocumentCheck, 3> DocumentCheckTable;

// The bytes CheckDocumentKind looks at: 10 sectors from the file's start.
inline constexpr std::uint32_t kDocumentCheckBytes = 10 * 512;

// The messages of the raw search (caption "Quarrixdale Recovery-Memory Card").
namespace message {
inline constexpr std::string_view kSelectFileType = "Please select file type for recovery";
inline constexpr std::string_view kInvalidEnd = "Invalid End Sector";
inline constexpr std::string_view kInvalidStart = "Invalid Start Sector";
inline constexpr std::string_view kStartNotBelowEnd = "Start sector should be less than End sector";
inline constexpr std::string_view kCannotCreateDirectory = "Unable to Create Directory";
inline constexpr std::string_view kTerminate = "Do you want terminate this process ?";
} // namespace message

} // namespace qr::raw
