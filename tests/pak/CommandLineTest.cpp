// pak's command lines: exit codes, help, and the real program end to end.
#include <cstdlib>

#include "tests/pak/PakSupport.h"

namespace {

using PakCommandLine = PakTest;

TEST_F(PakCommandLine, ExitCodes) {
    MakeFile("a.txt", "a");
    MakeFile("notapack.pak", "\x07\x00\x00\x00 not a pack");
    MakeFile("good.pak", packwriter::WritePack({}, {{"A.TXT", "a"}}));
    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        int code;
        const char* err;  // a part of the message
    };
    const std::vector<Case> cases = {
        {"no command", {}, 2, "usage: pak COMMAND"},
        {"an unknown command", {"pack", "x.pak"}, 2, "unknown command pack"},
        {"help", {"--help"}, 0, ""},
        {"a command's help", {"extract", "--help"}, 0, ""},
        {"an unknown option", {"list", "good.pak", "--long"}, 2, "unknown option --long"},
        {"a value where none goes", {"list", "--json=yes", "good.pak"}, 2, "--json takes no value"},
        {"no archive", {"list"}, 2, "missing ARCHIVE"},
        {"two archives", {"verify", "good.pak", "good.pak"}, 2, "too many operands"},
        {"no path to pack", {"create", "x.pak"}, 2, "name at least one PATH"},
        {"a level above 9", {"create", "x.pak", "--level", "10", "a.txt"}, 2, "--level takes a number from 0 to 9"},
        {"a format above 4", {"create", "x.pak", "--format=5", "a.txt"}, 2, "--format"},
        {"an option without its value", {"create", "x.pak", "a.txt", "--name"}, 2, "--name needs a value"},
        {"a name for format 1", {"create", "x.pak", "--format", "1", "--name", "N", "a.txt"}, 2, "format 1 has no"},
        {"a fraction for format 2", {"create", "x.pak", "--format", "2", "--number", "1.5", "a.txt"}, 2,
         "whole number"},
        {"a name too long", {"create", "x.pak", "--name", std::string(256, 'n'), "a.txt"}, 2, "at most 255 bytes"},
        {"an archive that is not there", {"list", "missing.pak"}, 1, "missing.pak: no such file"},
        {"a folder for an archive", {"verify", "."}, 1, ".: not a file"},
        {"a file that is not a pack", {"list", "notapack.pak"}, 1, "notapack.pak: not a pack archive"},
        {"an entry that is not there", {"cat", "good.pak", "B.TXT"}, 1, "good.pak: no entry named B.TXT"},
        {"a sound archive", {"verify", "good.pak"}, 0, ""},
        {"after --, a name that looks like an option", {"create", "x.pak", "--", "-q"}, 1, "-q: no such file"},
        {"after --, even --", {"create", "x.pak", "--", "--"}, 1, "--: no such file"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        const PakResult result = Pak(row.arguments);
        EXPECT_EQ(row.code, result.code) << result.err;
        EXPECT_NE(std::string::npos, result.err.find(row.err)) << result.err;
        if (row.code == 0) {
            EXPECT_TRUE(result.err.empty()) << result.err;
        }
    }
}

TEST_F(PakCommandLine, ListShowsNamesSafelyAsTextAndAsJson) {
    packwriter::PackOptions options;
    options.version = 4;
    options.name = "DATA";
    MakeFile("data.pak", packwriter::WritePack(options, {{"a\tb\x1B[2J", "x"}, {"\x95\x5C", "hyo", true}}));
    const PakResult text = Pak({"list", "data.pak"});
    ASSERT_EQ(0, text.code) << text.err;
    EXPECT_NE(std::string::npos, text.out.find("format 4, 2 entries, name \"DATA\", number 0")) << text.out;
    EXPECT_NE(std::string::npos, text.out.find("  a\\x09b\\x1B[2J")) << text.out;
    EXPECT_NE(std::string::npos, text.out.find(" deflate ")) << text.out;
    const PakResult json = Pak({"list", "data.pak", "--json"});
    ASSERT_EQ(0, json.code) << json.err;
    EXPECT_NE(std::string::npos, json.out.find("\"name\": \"a\\u0009b\\u001B[2J\", \"size\": 1")) << json.out;
    // 表 in UTF-8 on every system.
    EXPECT_NE(std::string::npos, json.out.find("\"name\": \"\xE8\xA1\xA8\", \"size\": 3, \"stored\": ")) << json.out;
}

// Text goes to standard output with the system's own line ends.
std::string WithoutLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

// The program itself, through the system's command interpreter.
int RunProgram(const std::string& arguments) {
    const int status = std::system(("\"" OC_PAK_PROGRAM "\" " + arguments + " >out.txt 2>err.txt").c_str());
    // POSIX reports the exit code in the second byte of the status, Windows the code itself.
    return status > 0xFF ? status >> 8 : status;
}

TEST_F(PakCommandLine, TheProgramEndToEnd) {
    const std::string bytes = Prose(100000) + std::string("\r\n\n\x1A\x00\xFF", 6);
    MakeFile(PathOf({"src", "data", "a.bin"}), bytes);
    MakeFile(PathOf({"src", Native("\x95\x5C.txt")}), "hyo");
    ASSERT_EQ(0, RunProgram("create e2e.pak -q -C src ."));
    EXPECT_EQ("", ReadWhole("out.txt"));
    ASSERT_EQ(0, RunProgram("verify e2e.pak"));
    EXPECT_EQ("e2e.pak: 2 entries, all sound", WithoutLineEnd(ReadWhole("out.txt")));
    // Standard output carries the bytes unchanged, line ends and all.
    ASSERT_EQ(0, RunProgram("cat e2e.pak data/a.bin"));
    EXPECT_TRUE(ReadWhole("out.txt") == bytes);
    ASSERT_EQ(0, RunProgram("extract e2e.pak -C out"));
    EXPECT_EQ("hyo", ReadWhole(PathOf({"out", Native("\x95\x5C.txt")})));
    EXPECT_EQ(1, RunProgram("extract e2e.pak -C out"));
    EXPECT_NE(std::string::npos, ReadWhole("err.txt").find("a file is there already"));
    EXPECT_EQ(2, RunProgram("list"));
}

}  // namespace
