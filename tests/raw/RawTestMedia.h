#pragma once
// Helpers of the raw search tests: sectors of pseudo-random filler with markers put
// at chosen places, and the documents written by make_documents.py.
#include "raw/RawSignatures.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace qr::test {

inline std::vector<unsigned char> randomSectors(std::uint64_t sectors, unsigned seed = 1) {
    std::vector<unsigned char> bytes(sectors * 512);
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        const std::uint32_t v = rng();
        std::memcpy(bytes.data() + i, &v, 4);
    }
    return bytes;
}

inline void put(std::vector<unsigned char>& bytes, std::uint64_t offset, std::string_view text) {
    if (bytes.size() < offset + text.size())
        bytes.resize(offset + text.size());
    std::memcpy(bytes.data() + offset, text.data(), text.size());
}

inline void put(std::vector<unsigned char>& bytes, std::uint64_t offset,
                const std::vector<unsigned char>& data) {
    if (bytes.size() < offset + data.size())
        bytes.resize(offset + data.size());
    std::memcpy(bytes.data() + offset, data.data(), data.size());
}

inline std::string_view headerOf(int entry) {
    return raw::RawSignatureTable[static_cast<std::size_t>(entry)].header;
}
inline std::string_view endOf(int entry) {
    return raw::RawSignatureTable[static_cast<std::size_t>(entry)].end;
}

struct SampleDocument {
    std::string name;
    std::string kind; // doc, xls, ppt, zip
    std::vector<unsigned char> bytes;
};

// The documents make_documents.py writes, made once per test program; empty when
// python3 is missing.
const std::vector<SampleDocument>& sampleDocuments();
const SampleDocument& sampleNamed(const std::string& name);

struct SampleMedia {
    std::string name;
    std::string kind;      // jpg, png, raw, mp4, avi
    std::string extension; // what the search names it, such as ".DNG"
    std::vector<unsigned char> bytes;
};

// The pictures and videos make_media.sh writes with real tools, made once per version
// of the script; empty when a tool is missing.
const std::vector<SampleMedia>& sampleMedia();
// The videos make_videos.sh writes for the two-fragment tests; empty without ffmpeg.
const std::vector<SampleMedia>& sampleVideos();
// The Office Open, OpenDocument and PDF files make_office.sh writes; empty when zip,
// python3 or pdfunite is missing.
const std::vector<SampleMedia>& sampleOfficeFiles();

std::vector<unsigned char> readFile(const std::filesystem::path& path);

} // namespace qr::test
