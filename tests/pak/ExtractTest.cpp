// pak extract and pak cat: names found exactly, files written below the folder only.
#include "platform/ToolHost.h"
#include "tests/pak/PakSupport.h"

namespace {

using packwriter::Entry;

void WriteArchive(const std::string& path, const std::vector<Entry>& entries, std::uint32_t version = 3) {
    packwriter::PackOptions options;
    options.version = version;
    MakeFile(path, packwriter::WritePack(options, entries));
}

using PakExtract = PakTest;

struct Refusal {
    const char* what;
    std::string name;
};

// Each name is refused, with a message naming the entry, and nothing at all is written.
TEST_F(PakExtract, RefusesEveryNameThatCouldLandOutsideOrMeanSomethingElse) {
    const std::vector<Refusal> refusals = {
        {"a parent part", "../a"},
        {"climbing after a folder", "a/../../b"},
        {"rooted with '/'", "/etc/x"},
        {"a drive-relative name", "C:x"},
        {"a drive", "C:\\x"},
        {"a device path", "\\\\?\\C:\\x"},
        {"a network path", "\\\\srv\\s\\x"},
        {"parents with '\\'", "..\\..\\x"},
        {"climbing after a folder with '\\'", "a\\..\\..\\x"},
        {"a root, then a stream", "/:../x"},
        {"a drive letter before a parent", "W:../x"},
        {"a device", "NUL"},
        {"a device with an extension", "con.txt"},
        {"a device in a folder", "a\\LPT1"},
        {"a final full stop, dropped by Windows", "a."},
        {"a final space", "a \\b"},
        {"a data stream", "x:ads"},
        {"the empty name", ""},
        {"the current folder", "."},
        {"a doubled separator", "a\\\\b"},
        {"a final separator", "a\\"},
        {"hyo (95 5C) then '..\\x': '..\\x' byte-wise, a part ending in '.' as characters", "\x95\x5C..\\x"},
        {"a wildcard", "a*b"},
        {"a control character", "a\tb"},
        {"a name ending on a lead byte", "a\x81"},
        {"a lead byte before a byte no character has", "a\x81\x7F"},
    };
    for (const Refusal& row : refusals) {
        SCOPED_TRACE(row.what);
        WriteArchive("hostile.pak", {{"fine.txt", "fine"}, {row.name, "evil"}});
        const PakResult result = Pak({"extract", "hostile.pak", "-C", "out"});
        EXPECT_EQ(1, result.code);
        EXPECT_NE(std::string::npos, result.err.find("hostile.pak: entry ")) << result.err;
        EXPECT_NE(std::string::npos, result.err.find("refused")) << result.err;
        EXPECT_EQ((std::vector<std::string>{"hostile.pak"}), FolderNames("."));
    }
}

// The message shows the part it names as text of this system, like the entry's name.
TEST_F(PakExtract, ARefusedPartIsShownAsText) {
    WriteArchive("hostile.pak", {{"AUX.\xB1", "device"}});  // AUX.ｱ
    const PakResult result = Pak({"extract", "hostile.pak", "-C", "out"});
    EXPECT_EQ(1, result.code);
    EXPECT_NE(std::string::npos, result.err.find("names a device (AUX." + Native("\xB1") + ")")) << result.err;
}

TEST_F(PakExtract, SafeNamesLandBelowTheFolder) {
    const std::vector<Entry> entries = {
        {"a/b.txt", "slash"},                // '/' separates too
        {"\x83\x5C\\\x95\x5C.txt", "0x5C"},  // so\hyo.txt
        {"..a\\b..c", "dots inside"},
        {"x.y\\z", "z"},
    };
    WriteArchive("fine.pak", entries);
    ASSERT_EQ(0, Pak({"extract", "fine.pak", "-C", PathOf({"out", "deeper"})}).code);
    EXPECT_EQ("slash", ReadWhole(PathOf({"out", "deeper", "a", "b.txt"})));
    EXPECT_EQ("0x5C", ReadWhole(PathOf({"out", "deeper", Native("\x83\x5C"), Native("\x95\x5C.txt")})));
    EXPECT_EQ("dots inside", ReadWhole(PathOf({"out", "deeper", "..a", "b..c"})));
    EXPECT_EQ("z", ReadWhole(PathOf({"out", "deeper", "x.y", "z"})));
}

TEST_F(PakExtract, NothingIsReplacedWithoutForce) {
    WriteArchive("data.pak", {{"a.txt", "from the archive"}, {"b.txt", "b"}});
    MakeFile(PathOf({"out", "a.txt"}), "mine");
    const PakResult refused = Pak({"extract", "data.pak", "-C", "out"});
    EXPECT_EQ(1, refused.code);
    EXPECT_NE(std::string::npos, refused.err.find("entry a.txt: a file is there already")) << refused.err;
    EXPECT_EQ("mine", ReadWhole(PathOf({"out", "a.txt"})));
    ASSERT_EQ(0, Pak({"extract", "data.pak", "-C", "out", "--force"}).code);
    EXPECT_EQ("from the archive", ReadWhole(PathOf({"out", "a.txt"})));
}

TEST_F(PakExtract, NamesSelectEntriesAndFolders) {
    WriteArchive("data.pak", {{"DATA\\A.TXT", "a"}, {"DATA\\SUB\\B.TXT", "b"}, {"DATA.TXT", "top"}, {"OTHER", "o"}});
    ASSERT_EQ(0, Pak({"extract", "data.pak", "-C", "one", "data/sub/b.txt"}).code);
    EXPECT_EQ((std::vector<std::string>{"DATA"}), FolderNames("one"));
    EXPECT_EQ("b", ReadWhole(PathOf({"one", "DATA", "SUB", "B.TXT"})));
    // A folder's name takes what is inside it, and not what merely begins with it.
    ASSERT_EQ(0, Pak({"extract", "data.pak", "-C", "two", "data"}).code);
    EXPECT_EQ((std::vector<std::string>{"DATA"}), FolderNames("two"));
    EXPECT_EQ((std::vector<std::string>{"A.TXT", "SUB"}), FolderNames(PathOf({"two", "DATA"})));
    const PakResult missing = Pak({"extract", "data.pak", "-C", "three", "DATA.TXT", "nothing"});
    EXPECT_EQ(1, missing.code);
    EXPECT_NE(std::string::npos, missing.err.find("no entry named nothing")) << missing.err;
    EXPECT_FALSE(Exists("three"));
}

TEST_F(PakExtract, CatFindsTheExactNameWithoutRegardToCase) {
    const std::string binary("\r\n\x00\x1A\n", 5);
    std::vector<Entry> entries = {{"GAME.INI.OLD", "old"}, {"GAME.INI", binary, true}, {"\x95\x5C", "hyo"}};
    WriteArchive("data.pak", entries);
    struct Case {
        const char* what;
        std::string name;
        int code;
        std::string out;
    };
    const std::vector<Case> cases = {
        {"not the longer name that comes first", "game.ini", 0, binary},
        {"the longer name itself", "Game.Ini.Old", 0, "old"},
        {"a two-byte name", Native("\x95\x5C"), 0, "hyo"},
        {"a prefix is not a name", "GAME", 1, ""},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        const PakResult result = Pak({"cat", "data.pak", row.name});
        EXPECT_EQ(row.code, result.code);
        EXPECT_EQ(row.out, result.out);
    }
}

TEST_F(PakExtract, ADamagedEntryLeavesNoFileBehind) {
    packwriter::PackOptions options;
    packwriter::Layout layout = packwriter::LayOut(options, {{"a.txt", Prose(5000), true}});
    layout.data[layout.data.size() / 2] ^= 0x55;
    MakeFile("bad.pak", packwriter::Assemble(options, 1, packwriter::EncodeDirectory(3, layout.records), layout.data));
    const PakResult result = Pak({"extract", "bad.pak", "-C", "out"});
    EXPECT_EQ(1, result.code);
    EXPECT_NE(std::string::npos, result.err.find("bad.pak: entry a.txt: ")) << result.err;
    EXPECT_TRUE(FolderNames("out").empty());
}

}  // namespace
