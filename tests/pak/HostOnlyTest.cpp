// What only the host can set up: links, file names without code page 932, sparse files of
// 2 and 4 GiB. (Windows keeps the same promises through its own side of ToolHost.h.)
#include <fcntl.h>
#include <unistd.h>

#include "tests/pak/PakSupport.h"

namespace {

using PakOnTheHost = PakTest;

void Sparse(const std::string& path, off_t size) {
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    ASSERT_GE(descriptor, 0);
    ASSERT_EQ(0, ::ftruncate(descriptor, size));
    ::close(descriptor);
}

TEST_F(PakOnTheHost, ExtractFollowsNoLinkOutOfTheFolder) {
    MakeFile("data.pak", packwriter::WritePack({}, {{"a\\x", "through a"}, {"b", "onto b"}}));
    MakeFile(PathOf({"elsewhere", "b"}), "not yours");
    MakeFile(PathOf({"out", "keep"}), "");
    ASSERT_EQ(0, ::symlink("../elsewhere", "out/a"));
    const PakResult through = Pak({"extract", "data.pak", "-C", "out", "a\\x"});
    EXPECT_EQ(1, through.code);
    EXPECT_NE(std::string::npos, through.err.find("entry a\\x: refused: a link")) << through.err;
    EXPECT_FALSE(Exists("elsewhere/x"));
    // A link where the file goes is not written through, even with --force: it is replaced.
    ASSERT_EQ(0, ::symlink("../elsewhere/b", "out/b"));
    EXPECT_EQ(1, Pak({"extract", "data.pak", "-C", "out", "b"}).code);
    ASSERT_EQ(0, Pak({"extract", "data.pak", "-C", "out", "b", "--force"}).code);
    EXPECT_EQ("not yours", ReadWhole("elsewhere/b"));
    EXPECT_EQ("onto b", ReadWhole("out/b"));
}

TEST_F(PakOnTheHost, ExtractAndVerifyNameAnEntryWhoseNameHasNoUtf8) {
    // 85 40: a lead and a second byte in their ranges, but no character of code page 932.
    MakeFile("data.pak", packwriter::WritePack({}, {{"ok.txt", "ok"}, {"\x85\x40.txt", "?"}}));
    const PakResult result = Pak({"extract", "data.pak", "-C", "out"});
    EXPECT_EQ(1, result.code);
    const std::string refused = "entry \\x85\\x40.txt: refused: the name holds a character no file name on this system";
    EXPECT_NE(std::string::npos, result.err.find(refused)) << result.err;
    EXPECT_FALSE(Exists("out/ok.txt"));

    const PakResult verified = Pak({"verify", "data.pak"});
    EXPECT_EQ(1, verified.code);
    EXPECT_NE(std::string::npos, verified.err.find("entry \\x85\\x40.txt: pak extract refuses the name: it holds a "
                                                   "character no file name on this system can hold"))
        << verified.err;
}

// 髙 has two codes, EE E0 (NEC) and FB FC (IBM); its UTF-8 name converts to FB FC.
TEST_F(PakOnTheHost, ANameWithACharacterOfTwoCodesIsFoundByItsText) {
    const std::string nec = "\xEE\xE0.txt", ibm = "\xFB\xFC.txt";
    MakeFile("one.pak", packwriter::WritePack({}, {{nec, "nec"}}));
    EXPECT_EQ("nec", Pak({"cat", "one.pak", Native(ibm)}).out);
    ASSERT_EQ(0, Pak({"extract", "one.pak", "-C", "out", Native(ibm)}).code);
    EXPECT_EQ("nec", ReadWhole(PathOf({"out", Native(ibm)})));
    EXPECT_EQ(0, Pak({"verify", "one.pak"}).code);

    MakeFile("two.pak", packwriter::WritePack({}, {{nec, "nec"}, {ibm, "ibm"}}));
    const PakResult result = Pak({"verify", "two.pak"});
    EXPECT_EQ(1, result.code);
    EXPECT_NE(std::string::npos, result.err.find("its name reads here as that of the entry " + Native(nec)))
        << result.err;
}

TEST_F(PakOnTheHost, CreateRefusesWhatItCannotName) {
    struct Case {
        const char* what;
        std::string file;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"a character code page 932 lacks", "src/\xF0\x9F\x98\x80.txt", "its name cannot be written in code page 932"},
        {"bytes that are not UTF-8", "src/\xFF.txt", "its name cannot be written in code page 932"},
        {"a backslash inside a name", "src/a\\b", "its name cannot be written in code page 932"},
        {"a name extract would refuse", "src/con.txt", "names a device (con.txt)"},
        {"a name differing in case only", "src/A.TXT", "differ only in case"},
        {"a link inside a folder", "", "src/link: a link"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        MakeFile("src/a.txt", "a");
        if (row.file.empty())
            ASSERT_EQ(0, ::symlink("a.txt", "src/link"));
        else
            MakeFile(row.file, "x");
        const PakResult result = Pak({"create", "x.pak", "src"});
        EXPECT_EQ(1, result.code);
        EXPECT_NE(std::string::npos, result.err.find(row.message)) << result.err;
        EXPECT_FALSE(Exists("x.pak"));
        // Not every name above can be removed through the Windows paths of the test support.
        ASSERT_EQ(0, ::rename("src", ("src-" + std::to_string(&row - &cases[0])).c_str()));
    }
}

TEST_F(PakOnTheHost, ArchivesStayBelow2GiBAndEntriesBelow4GiB) {
    Sparse("big", 0x100000000LL);
    const PakResult entry = Pak({"create", "x.pak", "big"});
    EXPECT_EQ(1, entry.code);
    EXPECT_NE(std::string::npos, entry.err.find("big: 4 GiB or larger")) << entry.err;
    Sparse("big", 0x80000000LL);
    const PakResult archive = Pak({"create", "x.pak", "--store", "*", "big"});
    EXPECT_EQ(1, archive.code);
    EXPECT_NE(std::string::npos, archive.err.find("a pack must stay below 2 GiB")) << archive.err;
    EXPECT_EQ((std::vector<std::string>{"big"}), FolderNames("."));
    Sparse("big.pak", 0x80000000LL);
    const PakResult read = Pak({"list", "big.pak"});
    EXPECT_NE(std::string::npos, read.err.find("big.pak: 2 GiB or larger")) << read.err;
}

}  // namespace
