// The exFAT test disk with entries damaged by the test's own bytes: a set checksum
// flipped (listed as uncertain, saved and counted uncertain), an unused slot in front
// of valid sets (the walk goes on behind it), and an LF in a name (listed escaped,
// every line keeping its fields, and saved under the name as it is).
#include "exfat/EntrySet.h"
#include "support/ExfatImages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace qr::exfat {
namespace {

using test::ExfatImage;
namespace fs = std::filesystem;

class ExfatDamagedEntries : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        const ExfatImage* shared = ExfatImage::shared(&why);
        if (!shared)
            GTEST_SKIP() << why;
        image = dir / "disk.img";
        fs::copy_file(shared->path(), image);
        bytes = test::ReadWholeFile(image);
    }
    // Offset of the file entry of the only set named `name` (ASCII): its name entries
    // hold fifteen UTF-16 units each, from two bytes into the entry.
    std::size_t setOf(const std::string& name) {
        const auto units = [](const std::string& part) {
            std::string out;
            for (char c : part)
                out += std::string{c, '\0'};
            return out;
        };
        std::vector<std::size_t> found;
        for (std::size_t at = bytes.find(units(name.substr(0, 15))); at != std::string::npos;
             at = bytes.find(units(name.substr(0, 15)), at + 1)) {
            bool whole = true;
            for (std::size_t part = 15; part < name.size() && whole; part += 15)
                whole = bytes.compare(at + (part / 15) * kEntryBytes,
                                      units(name.substr(part, 15)).size(),
                                      units(name.substr(part, 15))) == 0;
            if (whole)
                found.push_back(at - 2 - 2 * kEntryBytes);
        }
        EXPECT_EQ(found.size(), 1u) << name;
        if (found.empty())
            return 0;
        EXPECT_EQ(static_cast<unsigned char>(bytes[found[0]]), kFileEntry) << name;
        return found[0];
    }
    void resum(std::size_t entry) {
        const disk::ByteView set(reinterpret_cast<const unsigned char*>(bytes.data()) + entry,
                                 19 * kEntryBytes);
        const std::uint16_t sum =
            EntrySetChecksum(set, static_cast<unsigned char>(bytes[entry + 1]) + 1u, false);
        bytes[entry + 2] = static_cast<char>(sum & 0xFF);
        bytes[entry + 3] = static_cast<char>(sum >> 8);
    }
    void write() { std::ofstream(image, std::ios::binary | std::ios::trunc) << bytes; }
    test::CommandResult cli(const std::string& command) {
        return test::run(std::string(RECOVERY_CLI) + " --image " +
                         test::shellQuote(image.string()) + " " + command + " 2>&1 </dev/null");
    }
    // The listing's lines (progress lines left out).
    std::vector<std::string> listing() {
        const test::CommandResult r =
            test::run(std::string(RECOVERY_CLI) + " --image " + test::shellQuote(image.string()) +
                      " list --partition 1 2>/dev/null");
        EXPECT_EQ(r.exitCode, 0) << r.output;
        std::vector<std::string> lines;
        std::istringstream in(r.output);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    static bool listed(const std::vector<std::string>& lines, const std::string& start) {
        for (const std::string& line : lines)
            if (line.rfind(start, 0) == 0)
                return true;
        return false;
    }

    test::TempDir dir;
    fs::path image;
    std::string bytes;
};

TEST_F(ExfatDamagedEntries, SetWithABadChecksumIsListedSavedAndCountedUncertain) {
    bytes[setOf("notes.txt") + 2] ^= 0x5A;
    write();
    const std::vector<std::string> lines = listing();
    bool uncertain = false;
    for (const std::string& line : lines)
        if (line.rfind("docs/notes.txt\t", 0) == 0)
            uncertain = line.find(" (uncertain)\t") != std::string::npos;
    EXPECT_TRUE(uncertain) << "docs/notes.txt is not listed as uncertain";
    EXPECT_TRUE(listed(lines, "docs/2024/report.doc\t"));
    const test::CommandResult r =
        cli("save --partition 1 --to " + test::shellQuote((dir / "out").string()) + " docs");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(test::ReadWholeFile(dir / "out/docs/notes.txt"), std::string(5000, 'n'));
    // Counted uncertain and named (besides any file whose bytes do not begin as its
    // extension's format does).
    EXPECT_NE(r.output.find("uncertain: " + (dir / "out/docs/notes.txt").string() + "\n"),
              std::string::npos)
        << r.output;
}

TEST_F(ExfatDamagedEntries, WalkGoesOnPastAnUnusedSlot) {
    bytes[setOf("entry_with_a_long_name_0.txt")] = 0; // an unused slot ahead of the others
    write();
    const std::vector<std::string> lines = listing();
    int many = 0;
    for (const std::string& line : lines)
        many += line.rfind("many/entry_with_a_long_name_", 0) == 0 ? 1 : 0;
    EXPECT_EQ(many, 59);
    EXPECT_TRUE(listed(lines, "many/entry_with_a_long_name_59.txt\t"));
}

TEST_F(ExfatDamagedEntries, LineFeedInANameIsListedEscapedAndSavedAsItIs) {
    const std::size_t set = setOf("small.txt");
    bytes[set + 2 * kEntryBytes + 2] = '\n'; // "s" of small.txt
    bytes[set + 2 * kEntryBytes + 4] = '\\'; // "m"
    resum(set);
    write();
    const std::vector<std::string> lines = listing();
    for (const std::string& line : lines) {
        if (line.find('\t') == std::string::npos)
            continue;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 4) << line;
        EXPECT_EQ(line.find('\x1b'), std::string::npos);
    }
    EXPECT_TRUE(listed(lines, "\\n\\\\all.txt\t")) << "the escaped name is not listed";
    const test::CommandResult r =
        cli("save --partition 1 --to " + test::shellQuote((dir / "out").string()));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(test::ReadWholeFile(dir / "out/\n_all.txt"), "A small file.\n");
}

} // namespace
} // namespace qr::exfat
