#include "raw/RawSignatures.h"

namespace qr::raw {

using namespace std::string_view_literals;

namespace {

constexpr std::string_view kCompoundHeader = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv;
// "Workbook" and "PowerPoint Document" in UTF-16LE, without the last zero byte.
constexpr std::string_view kWorkbook = "W\0o\0r\0k\0b\0o\0o\0k"sv;
constexpr std::string_view kPowerPoint =
    "P\0o\0w\0e\0r\0P\0o\0i\0n\0t\0 \0D\0o\0c\0u\0m\0e\0n\0t"sv;
constexpr std::string_view kWorkshet = "Microsoft Excel Workshet\0\x06"sv;

} // namespace

const std::array<RawSignature, kRawSignatures> RawSignatureTable = {{
    {kCompoundHeader, "Word.Document"sv, RawKind::Word},
    {kCompoundHeader, kWorkbook, RawKind::Excel},
    {kCompoundHeader, kWorkshet, RawKind::Excel},
    {kCompoundHeader, kPowerPoint, RawKind::PowerPoint},
    {"Microsoft Excel 5.0"sv, kWorkshet, RawKind::Excel},
    // Any version byte after the local-file header's signature: an archive whose first
    // entry is deflated says 2.0 there.
    {"PK\x03\x04"sv, "PK\x05\x06\0"sv, RawKind::Zip},
}};

bool EndFitsHeader(int headerEntry, int entry) {
    if (headerEntry < 0 || entry < 0 || headerEntry >= static_cast<int>(kRawSignatures) ||
        entry >= static_cast<int>(kRawSignatures))
        return false;
    return RawSignatureTable[static_cast<std::size_t>(headerEntry)].header ==
           RawSignatureTable[static_cast<std::size_t>(entry)].header;
}

const std::array<DocumentCheck, 3> DocumentCheckTable = {{
    {"Microsoft Excel 5.0"sv, 0x820, RawKind::Excel},
    {"Microsoft Excel"sv, 0x12A0, RawKind::Excel},
    {kPowerPoint, 0x480, RawKind::PowerPoint},
}};

} // namespace qr::raw
