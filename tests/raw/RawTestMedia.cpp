#include "RawTestMedia.h"

#include "support/TestSupport.h"

#include <fstream>
#include <iterator>

namespace qr::test {

std::vector<unsigned char> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<SampleDocument> makeSampleDocuments(const std::filesystem::path& folder) {
    if (!haveTools({"python3"}))
        return {};
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

} // namespace qr::test
