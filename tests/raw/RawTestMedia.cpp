#include "RawTestMedia.h"

#include "support/TestSupport.h"

#include <fstream>
#include <iterator>

namespace qr::test {

std::vector<unsigned char> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {
void makeSampleDocuments(const std::filesystem::path& folder) {
    runOrFail("python3 " + shellQuote(std::string(TEST_SOURCE_DIR) + "/raw/make_documents.py") +
              " " + shellQuote(folder.string()));
}

std::vector<SampleDocument> readSamples(const std::filesystem::path& folder) {
    std::vector<SampleDocument> made;
    std::ifstream manifest(folder / "manifest.txt");
    SampleDocument d;
    while (manifest >> d.name >> d.kind) {
        d.bytes = readFile(folder / d.name);
        made.push_back(d);
    }
    return made;
}
} // namespace

// The documents are made once per version of the script and kept under the system's
// temporary folder, so that the many test processes of one run share them.
const std::vector<SampleDocument>& sampleDocuments() {
    static const std::vector<SampleDocument> made = [] {
        std::vector<SampleDocument> all;
        if (!haveTools({"python3"}))
            return all;
        const std::filesystem::path script =
            std::filesystem::path(TEST_SOURCE_DIR) / "raw" / "make_documents.py";
        const auto text = readFile(script);
        const std::size_t version = std::hash<std::string>{}(std::string(text.begin(), text.end()));
        const std::filesystem::path kept = std::filesystem::temp_directory_path() /
                                           ("raw-sample-documents-" + std::to_string(version));
        if (!std::filesystem::exists(kept / "manifest.txt")) {
            TempDir fresh;
            makeSampleDocuments(fresh.path());
            std::error_code ec;
            std::filesystem::rename(fresh.path(), kept, ec); // another process may win
            std::filesystem::create_directories(fresh.path(), ec);
        }
        return readSamples(kept);
    }();
    return made;
}

const SampleDocument& sampleNamed(const std::string& name) {
    static const SampleDocument none;
    for (const SampleDocument& d : sampleDocuments())
        if (d.name == name)
            return d;
    return none;
}

namespace {
// The samples a shell script writes with its manifest, made once per version of the
// script and of the helpers it runs, and kept under the system's temporary folder.
std::vector<SampleMedia> madeByScript(std::initializer_list<const char*> scripts,
                                      std::initializer_list<const char*> tools) {
    std::vector<SampleMedia> all;
    if (!haveTools(tools))
        return all;
    std::string text;
    for (const char* name : scripts) {
        const auto bytes = readFile(std::filesystem::path(TEST_SOURCE_DIR) / "raw" / name);
        text.append(bytes.begin(), bytes.end());
    }
    const std::string script = *scripts.begin();
    const std::filesystem::path kept = std::filesystem::temp_directory_path() /
                                       ("raw-sample-" + script.substr(0, script.find('.')) + "-" +
                                        std::to_string(std::hash<std::string>{}(text)));
    if (!std::filesystem::exists(kept / "manifest.txt")) {
        TempDir fresh;
        runOrFail("sh " + shellQuote(std::string(TEST_SOURCE_DIR) + "/raw/" + script) + " " +
                  shellQuote(fresh.path().string()));
        std::error_code ec;
        std::filesystem::rename(fresh.path(), kept, ec); // another process may win
        std::filesystem::create_directories(fresh.path(), ec);
    }
    std::ifstream manifest(kept / "manifest.txt");
    SampleMedia m;
    while (manifest >> m.name >> m.kind >> m.extension) {
        m.bytes = readFile(kept / m.name);
        all.push_back(m);
    }
    return all;
}
} // namespace

const std::vector<SampleMedia>& sampleMedia() {
    static const std::vector<SampleMedia> made =
        madeByScript({"make_media.sh", "make_camera_raw.py", "make_more_raw.py"},
                     {"python3", "ffmpeg", "cjpeg", "exiftool"});
    return made;
}

const std::vector<SampleMedia>& sampleVideos() {
    static const std::vector<SampleMedia> made = madeByScript({"make_videos.sh"}, {"ffmpeg"});
    return made;
}

const std::vector<SampleMedia>& sampleOfficeFiles() {
    static const std::vector<SampleMedia> made =
        madeByScript({"make_office.sh"}, {"python3", "zip", "pdfunite"});
    return made;
}

} // namespace qr::test
