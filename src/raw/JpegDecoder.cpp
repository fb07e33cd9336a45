#include "raw/JpegDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace qr::raw {

namespace {

constexpr std::size_t kChunk = 4096;
constexpr std::uint32_t kSectorBytes = 512;
constexpr JOCTET kEndOfImage[2] = {0xFF, 0xD9};

// Feeds the decoder from the reader; behind the data it gives an EOI, as libjpeg's own
// sources do, and notes that the data ran out.
struct Source {
    jpeg_source_mgr manager{};
    const FileBytesReader* read = nullptr;
    std::uint64_t limit = 0;
    std::uint64_t next = 0; // offset of the byte behind the buffer
    bool ranOut = false;
    JOCTET buffer[kChunk];

    std::uint64_t taken() const { return ranOut ? next : next - manager.bytes_in_buffer; }
};

Source& sourceOf(j_decompress_ptr info) {
    return *reinterpret_cast<Source*>(info->src);
}

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillBuffer(j_decompress_ptr info) {
    Source& s = sourceOf(info);
    auto n = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(kChunk, s.limit > s.next ? s.limit - s.next : 0));
    // Where a whole chunk cannot be read, the sectors before the failing one still can.
    bool got = n > 0 && (*s.read)(s.next, n, s.buffer);
    if (!got && n > kSectorBytes) {
        n = kSectorBytes - static_cast<std::uint32_t>(s.next % kSectorBytes);
        got = (*s.read)(s.next, n, s.buffer);
    }
    if (!got) {
        s.ranOut = true;
        s.manager.next_input_byte = kEndOfImage;
        s.manager.bytes_in_buffer = sizeof kEndOfImage;
        return TRUE;
    }
    s.next += n;
    s.manager.next_input_byte = s.buffer;
    s.manager.bytes_in_buffer = n;
    return TRUE;
}

void skipData(j_decompress_ptr info, long count) {
    Source& s = sourceOf(info);
    while (count > 0) {
        if (s.manager.bytes_in_buffer == 0)
            fillBuffer(info);
        const auto n =
            std::min<std::size_t>(static_cast<std::size_t>(count), s.manager.bytes_in_buffer);
        s.manager.next_input_byte += n;
        s.manager.bytes_in_buffer -= n;
        count -= static_cast<long>(n);
        if (s.ranOut)
            return;
    }
}

// Errors end the decoding through a jump; the first warning (corrupt data) is noted.
struct Errors {
    jpeg_error_mgr manager{};
    std::jmp_buf jump{};
    Source* source = nullptr;
    JpegDecoding* result = nullptr;
};

void failed(j_common_ptr info) {
    std::longjmp(reinterpret_cast<Errors*>(info->err)->jump, 1);
}

void message(j_common_ptr info, int level) {
    auto* errors = reinterpret_cast<Errors*>(info->err);
    if (level >= 0 || errors->result->warned)
        return;
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    errors->result->warned = true;
    errors->result->goodRows = decompress->output_scanline;
    errors->result->brokenAt = errors->source->taken();
}

void silent(j_common_ptr) {}

// The decoding itself, with nothing on the stack that a jump must unwind.
void decode(jpeg_decompress_struct& info, Errors& errors, Source& source, std::vector<JSAMPLE>& row,
            const JpegDecodeLimits& limits, JpegDecoding& result) {
    const auto until = std::chrono::steady_clock::now() + limits.time;
    if (setjmp(errors.jump))
        return;
    jpeg_create_decompress(&info);
    info.src = &source.manager;
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK || info.progressive_mode ||
        info.image_height == 0)
        return;
    result.scanAt = source.taken();
    info.out_color_space = JCS_GRAYSCALE; // the coded data is all read either way
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&info);
    result.opened = true;
    result.rows = info.output_height;
    row.resize(std::size_t{info.output_width} * info.output_components);
    if (limits.skipRows > 0 && !result.warned)
        jpeg_skip_scanlines(&info, std::min<JDIMENSION>(limits.skipRows, info.output_height - 1));
    JSAMPROW rows[1] = {row.data()};
    while (info.output_scanline < info.output_height) {
        if (result.warned && limits.stopAtWarning)
            return;
        if ((info.output_scanline & 15) == 0 && std::chrono::steady_clock::now() > until)
            return;
        jpeg_read_scanlines(&info, rows, 1);
    }
    if (result.warned)
        return;
    jpeg_finish_decompress(&info);
    if (!result.warned && !source.ranOut) {
        result.whole = true;
        result.end = source.taken();
    }
}

} // namespace

JpegDecoding DecodeJpeg(const FileBytesReader& read, std::uint64_t limit,
                        const JpegDecodeLimits& limits) {
    JpegDecoding result;
    Source source;
    source.manager.init_source = initSource;
    source.manager.fill_input_buffer = fillBuffer;
    source.manager.skip_input_data = skipData;
    source.manager.resync_to_restart = jpeg_resync_to_restart;
    source.manager.term_source = termSource;
    source.read = &read;
    source.limit = limit;
    Errors errors;
    jpeg_decompress_struct info{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = failed;
    errors.manager.emit_message = message;
    errors.manager.output_message = silent;
    errors.source = &source;
    errors.result = &result;
    std::vector<JSAMPLE> row;
    decode(info, errors, source, row, limits, result);
    jpeg_destroy_decompress(&info);
    if (!result.warned)
        result.goodRows = result.whole ? result.rows : 0;
    return result;
}

} // namespace qr::raw
