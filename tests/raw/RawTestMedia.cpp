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
std::vector<SampleDocument> makeSampleDocuments(const std::filesystem::path& folder) {
    runOrFail("python3 " + shellQuote(std::string(TEST_SOURCE_DIR) + "/raw/make_documents.py") +
              " " + shellQuote(folder.string()));
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

const std::vector<SampleDocument>& sampleDocuments() {
    static TempDir dir;
    static const std::vector<SampleDocument> made = [] {
        std::vector<SampleDocument> all;
        if (haveTools({"python3"}))
            all = makeSampleDocuments(dir.path());
        return all;
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

} // namespace qr::test
