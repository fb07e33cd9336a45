// Every recovery-cli command reads its arguments strictly: unknown options, missing or
// empty values, repeated options and stray words are refused with a message and the
// command's usage line, before any disk is opened.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace qr::test {
namespace {

struct CliOptions : ::testing::Test {
    TempDir dir;
    CommandResult cli(const std::string& args) {
        std::filesystem::create_directories(dir / "tmp");
        return run("TMPDIR=" + shellQuote((dir / "tmp").string()) + " " + shellQuote(RECOVERY_CLI) +
                   " " + args + " 2>&1 </dev/null");
    }
    // Refused as bad usage, naming `what` and showing the command's usage line.
    void expectRefused(const std::string& args, const std::string& what,
                       const std::string& command) {
        const CommandResult r = cli(args);
        EXPECT_EQ(r.exitCode, 2) << args << "\n" << r.output;
        EXPECT_NE(r.output.find(what), std::string::npos) << args << "\n" << r.output;
        EXPECT_NE(r.output.find("usage: recovery-cli [--image FILE]... " + command + " "),
                  std::string::npos)
            << args << "\n"
            << r.output;
        EXPECT_TRUE(std::filesystem::is_empty(dir / "tmp")) << "no registry copy was made";
    }
};

TEST_F(CliOptions, UnknownOptionsAndStrayWordsAreRefused) {
    expectRefused("list --disk 0 --partition 1 --colour red", "unknown option '--colour'", "list");
    expectRefused("raw --disk 0 --to out --kinds doc", "unknown option '--kinds'", "raw");
    expectRefused("disks --bogus", "unknown option '--bogus'", "disks");
    expectRefused("volume --disk 0 --partition 1 extra", "unexpected argument 'extra'", "volume");
    expectRefused("partitions --disk 0 -x", "unknown option '-x'", "partitions");
    // An option of another command is unknown here.
    expectRefused("partitions --to out", "unknown option '--to'", "partitions");
    expectRefused("save --disk 0 --partition 1 --to out --details 3", "unknown option '--details'",
                  "save");
}

TEST_F(CliOptions, MissingEmptyAndRepeatedValuesAreRefused) {
    expectRefused("list --partition 1 --disk", "--disk needs a value", "list");
    expectRefused("save --partition 1 --to '' ", "--to needs a value, not an empty one", "save");
    expectRefused("save --partition 1 --to= ", "--to needs a value, not an empty one", "save");
    expectRefused("save --partition 1 --to --ext doc", "--to needs a value", "save");
    expectRefused("partitions --disk 0 --disk 1", "--disk given more than once", "partitions");
    expectRefused("details --disk", "--disk needs a value", "details");
}

TEST_F(CliOptions, ExtensionListsWithEmptyEntriesAreRefusedBeforeAnySearch) {
    // The image does not exist: the list is judged before the disk is looked at.
    for (const char* ext : {"',,,'", "doc,", ",doc", "doc,,xls"}) {
        const CommandResult r =
            cli("--image missing.img save --partition 1 --to out --ext " + std::string(ext));
        EXPECT_EQ(r.exitCode, 2) << ext << "\n" << r.output;
        EXPECT_NE(r.output.find("--ext takes extensions separated by commas"), std::string::npos)
            << ext << "\n"
            << r.output;
    }
    const CommandResult dot = cli("--image missing.img save --partition 1 --to out --ext .doc");
    EXPECT_EQ(dot.exitCode, 2);
    EXPECT_NE(dot.output.find("Do not include \".\" (DOT)"), std::string::npos) << dot.output;
}

TEST_F(CliOptions, EmptyImageNameIsRefused) {
    const CommandResult r = cli("--image '' disks");
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_NE(r.output.find("--image needs a file"), std::string::npos) << r.output;
}

} // namespace
} // namespace qr::test
