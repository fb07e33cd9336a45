#include "raw/CarvedFormats.h"

#include "raw/BmpHeader.h"
#include "raw/EbmlElements.h"
#include "raw/GifBlocks.h"
#include "raw/IsoBoxes.h"
#include "raw/JpegSegments.h"
#include "raw/Mp3Frames.h"
#include "raw/PdfTrailer.h"
#include "raw/PngChunks.h"
#include "raw/RafHeader.h"
#include "raw/RiffChunks.h"
#include "raw/TiffDirectories.h"
#include "raw/ZipKinds.h"

namespace qr::raw {

using namespace std::string_view_literals;

namespace {

constexpr bool kTicked = true;
constexpr bool kClassic = true;

// A row found at sector starts by its own header test.
constexpr RawKindInfo found(std::string_view list, std::string_view prefix,
                            std::string_view extension, std::string_view count,
                            std::string_view option, bool ticked, bool classic,
                            std::string_view leads, HeaderTest header, LengthFinder length) {
    return {list, prefix, extension, count, option, ticked, classic, leads, header, length};
}

// A row whose files the parent's header and length find, told apart by `validate`.
constexpr RawKindInfo refines(std::string_view list, std::string_view prefix,
                              std::string_view extension, std::string_view count,
                              std::string_view option, bool ticked, RawKind parent,
                              Validator validate) {
    return {list,  prefix, extension, count,   option, ticked,
            false, {},     nullptr,   nullptr, parent, validate};
}

// A document of the window rules.
constexpr RawKindInfo document(std::string_view list, std::string_view prefix,
                               std::string_view extension, std::string_view count,
                               std::string_view option) {
    return {list, prefix, extension, count, option, false, kClassic};
}

} // namespace

const std::array<RawKindInfo, kRawKinds> RawKindTable = {{
    document("Microsoft Word File(s) (.DOC)", "DOC", ".DOC",
             "Total Word File(s) Recovered :  ", "doc"),
    document("Microsoft Excel File(s) (.XLS)", "XLS", ".XLS",
             "Total Excel File(s) Recovered :  ", "xls"),
    document("Microsoft PowerPoint File(s) (.PPT)", "PPT", ".PPT",
             "Total PowerPoint File(s) Recovered :  ", "ppt"),
    document("Compressed File(s) (.Zip)", "ZIP", ".ZIP", "Total Zip File(s) Recovered :  ", "zip"),
    found("JPEG Picture(s) (.JPG)", "JPG", ".JPG", "Total JPEG Picture(s) Recovered :  ", "jpg",
          kTicked, kClassic, "\xFF"sv, LooksLikeJpeg, JpegLength),
    found("PNG Picture(s) (.PNG)", "PNG", ".PNG", "Total PNG Picture(s) Recovered :  ", "png",
          kTicked, kClassic, "\x89"sv, LooksLikePng, PngLength),
    found("Camera Raw Picture(s) (.CR2, .NEF, .ARW, .DNG)", "RAW", ".TIF",
          "Total Camera Raw Picture(s) Recovered :  ", "raw", kTicked, kClassic, "IM",
          LooksLikeTiff, TiffLength),
    found("MP4 Video(s) (.MP4, .MOV, .3GP)", "MP4", ".MP4", "Total MP4 Video(s) Recovered :  ",
          "mp4", false, kClassic, {}, LooksLikeIsoVideo, IsoVideoLength),
    found("AVI Video(s) (.AVI)", "AVI", ".AVI", "Total AVI Video(s) Recovered :  ", "avi", false,
          kClassic, "R", LooksLikeAvi, AviLength),
    found("HEIC Picture(s) (.HEIC, .HEIF)", "HEIC", ".HEIC", "Total HEIC Picture(s) Recovered :  ",
          "heic", kTicked, false, {}, LooksLikeHeif, HeifLength),
    refines("Canon Raw Picture(s) (.CR3)", "RAW", ".CR3",
            "Total CR3 Picture(s) Recovered :  ", "cr3", kTicked, RawKind::Mp4, CanonRawBrand),
    found("Fujifilm Raw Picture(s) (.RAF)", "RAW", ".RAF", "Total RAF Picture(s) Recovered :  ",
          "raf", kTicked, false, "F", LooksLikeRaf, RafLength),
    found("Panasonic Raw Picture(s) (.RW2)", "RAW", ".RW2", "Total RW2 Picture(s) Recovered :  ",
          "rw2", kTicked, false, "I", LooksLikeRw2, Rw2Length),
    found("Olympus Raw Picture(s) (.ORF)", "RAW", ".ORF", "Total ORF Picture(s) Recovered :  ",
          "orf", kTicked, false, "IM", LooksLikeOrf, OrfLength),
    found("GIF Picture(s) (.GIF)", "GIF", ".GIF", "Total GIF Picture(s) Recovered :  ", "gif",
          false, false, "G", LooksLikeGif, GifLength),
    found("BMP Picture(s) (.BMP)", "BMP", ".BMP", "Total BMP Picture(s) Recovered :  ", "bmp",
          false, false, "B", LooksLikeBmp, BmpLength),
    found("WebP Picture(s) (.WEBP)", "WEBP", ".WEBP", "Total WebP Picture(s) Recovered :  ", "webp",
          kTicked, false, "R", LooksLikeWebP, WebPLength),
    found("PDF Document(s) (.PDF)", "PDF", ".PDF", "Total PDF Document(s) Recovered :  ", "pdf",
          false, false, "%", LooksLikePdf, PdfLength),
    found("MP3 Sound(s) (.MP3)", "MP3", ".MP3", "Total MP3 Sound(s) Recovered :  ", "mp3", false,
          false, "I\xFF"sv, LooksLikeMp3, Mp3Length),
    found("WAV Sound(s) (.WAV)", "WAV", ".WAV", "Total WAV Sound(s) Recovered :  ", "wav", false,
          false, "R", LooksLikeWav, WavLength),
    refines("M4A Sound(s) (.M4A)", "M4A", ".M4A", "Total M4A Sound(s) Recovered :  ", "m4a", false,
            RawKind::Mp4, AudioBrand),
    found("Matroska Video(s) (.MKV, .WEBM)", "MKV", ".MKV", "Total MKV Video(s) Recovered :  ",
          "mkv", false, false, "\x1A"sv, LooksLikeMatroska, MatroskaLength),
    refines("Word Document(s) (.DOCX)", "DOCX", ".DOCX", "Total DOCX File(s) Recovered :  ", "docx",
            false, RawKind::Zip, WordOpenXml),
    refines("Excel Workbook(s) (.XLSX)", "XLSX", ".XLSX",
            "Total XLSX File(s) Recovered :  ", "xlsx", false, RawKind::Zip, ExcelOpenXml),
    refines("PowerPoint Presentation(s) (.PPTX)", "PPTX", ".PPTX",
            "Total PPTX File(s) Recovered :  ", "pptx", false, RawKind::Zip, PowerPointOpenXml),
    refines("OpenDocument Text(s) (.ODT)", "ODT", ".ODT", "Total ODT File(s) Recovered :  ", "odt",
            false, RawKind::Zip, OpenDocumentText),
    refines("OpenDocument Spreadsheet(s) (.ODS)", "ODS", ".ODS",
            "Total ODS File(s) Recovered :  ", "ods", false, RawKind::Zip, OpenDocumentSheet),
    refines("OpenDocument Presentation(s) (.ODP)", "ODP", ".ODP",
            "Total ODP File(s) Recovered :  ", "odp", false, RawKind::Zip, OpenDocumentSlides),
}};

bool IsMediaKind(RawKind kind) {
    const RawKindInfo& row = InfoOf(kind);
    return row.header != nullptr || (row.parent && InfoOf(*row.parent).header != nullptr);
}

std::string CarvedFileName(RawKind kind, std::uint64_t number, std::string_view extension) {
    const RawKindInfo& info = InfoOf(kind);
    return std::string(info.prefix) + std::to_string(number) +
           std::string(extension.empty() ? info.extension : extension);
}

std::string KindOptionList(bool classic) {
    // The photos and videos first, then the documents, as the usage line lists them.
    std::string list;
    std::size_t left = 0;
    for (const RawKindInfo& row : RawKindTable)
        left += row.classic == classic;
    for (const bool media : {true, false})
        for (std::size_t k = 0; k < kRawKinds; ++k) {
            const RawKindInfo& row = RawKindTable[k];
            if (row.classic != classic || IsMediaKind(static_cast<RawKind>(k)) != media)
                continue;
            if (!list.empty())
                list += --left == 0 ? " and " : ", ";
            else
                --left;
            list += row.option;
        }
    return list;
}

} // namespace qr::raw
