#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "files/OCFile.h"
#include "files/ProcessState.h"
#include "platform/Seam.h"
#include "tests/pack/PackFixtures.h"
#include "tests/support/Hooks.h"
#include "tests/support/Scratch.h"
#include "text/OCException.h"

namespace {

using NamesAndData = std::vector<std::pair<std::string, std::string>>;

// A pack file of a lookup case: its place under the scratch directory and its entries, or
// an empty file.
struct PackFile {
    std::string file;
    NamesAndData entries;
    std::string headerName = "";
    bool emptyFile = false;
};

// Each entry's bytes tell where they came from, and entries differ in length.
NamesAndData Named(const std::string& pack, std::vector<std::string> names) {
    NamesAndData entries;
    for (const std::string& name : names) entries.push_back({name, pack + ":" + name + " payload"});
    return entries;
}

PackFile Pack(const std::string& file, std::vector<std::string> names, const std::string& headerName = "") {
    return {file, Named(file, names), headerName};
}

struct LookupCase {
    const char* what;
    std::vector<std::string> directories;  // made first, under the scratch directory
    std::vector<PackFile> packs;
    const char* earlierLookup;  // a directory looked up first (filling packFiles), or null
    const char* directory;      // appended to the scratch directory's path
    const char* request;
    Outcome outcome;
    const char* pack = "";   // the pack that supplies the entry
    const char* entry = "";  // the record it matches
    const char* packName = "";
};

const std::string kLong(256, 'N');
const std::string kShort(255, 'N');

const std::vector<LookupCase>& LookupCases() {
    static const std::vector<LookupCase> cases = {
        {"a lower-case request finds an upper-case entry", {}, {Pack("A.pak", {"README.TXT", "GAME.INI"})}, nullptr,
         "", "game.ini", Outcome::Found, "A.pak", "GAME.INI"},
        {"the first record that the request prefixes wins", {}, {Pack("A.pak", {"GAME.INI.OLD", "GAME.INI"})},
         nullptr, "", "GAME.INI", Outcome::Found, "A.pak", "GAME.INI.OLD"},
        {"'.*' becomes '.'", {}, {Pack("A.pak", {"saveX.dat", "save.dat", "save.bak"})}, nullptr, "", "save.*",
         Outcome::Found, "A.pak", "save.dat"},
        {"a doubled backslash compares as one", {}, {Pack("A.pak", {"data\\b.txt", "data\\a.txt"})}, nullptr, "",
         "data\\\\a.txt", Outcome::Found, "A.pak", "data\\a.txt"},
        // A byte-wise search would make the request the first entry's name.
        {"95 5C before a backslash is no doubled backslash", {},
         {Pack("A.pak", {"\x95\x5c\x83\x5c.txt", "\x95\x5c\\\x83\x5c.txt"})}, nullptr, "", "\x95\x5c\\\x83\x5c.txt",
         Outcome::Found, "A.pak", "\x95\x5c\\\x83\x5c.txt"},
        {"'*' is an ordinary character", {}, {Pack("A.pak", {"GAME.INI", "*.ini.txt"})}, nullptr, "", "*.ini",
         Outcome::Found, "A.pak", "*.ini.txt"},
        {"a request longer than every name", {}, {Pack("A.pak", {"GAME", "GAME.IN"})}, nullptr, "", "GAME.INI",
         Outcome::NotFound},
        {"the empty request takes the first record", {}, {Pack("A.pak", {"first", "second"})}, nullptr, "", "",
         Outcome::Found, "A.pak", "first"},
        {"a trailing backslash on the directory is cut", {}, {Pack("A.pak", {"GAME.INI"})}, nullptr, "\\",
         "GAME.INI", Outcome::Found, "A.pak", "GAME.INI"},
        {"a final 95 5C is a character, not a backslash", {"\x95\x5c"}, {Pack("\x95\x5c\\A.pak", {"GAME.INI"})},
         nullptr, "\\\x95\x5c", "GAME.INI", Outcome::Found, "\x95\x5c\\A.pak", "GAME.INI"},
        {"a backslash after a final 95 5C is cut", {"\x95\x5c"}, {Pack("\x95\x5c\\A.pak", {"GAME.INI"})}, nullptr,
         "\\\x95\x5c\\", "GAME.INI", Outcome::Found, "\x95\x5c\\A.pak", "GAME.INI"},
        {"a missing directory searches nothing", {}, {Pack("A.pak", {"GAME.INI"})}, nullptr, "\\missing",
         "GAME.INI", Outcome::NotFound},
        {"the first directory with packs serves every later one", {"one", "two"},
         {Pack("one\\A.pak", {"GAME.INI"}), Pack("two\\B.pak", {"GAME.INI", "TWO.TXT"})}, "\\one", "\\two",
         "GAME.INI", Outcome::Found, "one\\A.pak", "GAME.INI"},
        {"... whose packs alone are searched", {"one", "two"},
         {Pack("one\\A.pak", {"GAME.INI"}), Pack("two\\B.pak", {"GAME.INI", "TWO.TXT"})}, "\\one", "\\two",
         "TWO.TXT", Outcome::NotFound},
        {"... yet a missing directory still searches nothing", {"one"}, {Pack("one\\A.pak", {"GAME.INI"})}, "\\one",
         "\\missing", "GAME.INI", Outcome::NotFound},
        {"a directory without packs leaves the list to the next", {"empty", "two"},
         {Pack("two\\B.pak", {"GAME.INI"})}, "\\empty", "\\two", "GAME.INI", Outcome::Found, "two\\B.pak",
         "GAME.INI"},
        {"the first pack in list order wins", {},
         {Pack("B.pak", {"GAME.INI"}), Pack("a.pak", {"GAME.INI"}), Pack("c.PAK", {"GAME.INI"})}, nullptr, "",
         "GAME.INI", Outcome::Found, "a.pak", "GAME.INI"},
        {"a later pack supplies what the earlier ones lack", {},
         {Pack("A.pak", {"README.TXT"}), Pack("b.pak", {"OTHER.TXT", "GAME.INI"})}, nullptr, "", "GAME.INI",
         Outcome::Found, "b.pak", "GAME.INI"},
        {"packName admits the pack of that name, case ignored", {},
         {Pack("A.pak", {"GAME.INI"}, "OTHER"), Pack("b.pak", {"GAME.INI"}, "Game")}, nullptr, "", "GAME.INI",
         Outcome::Found, "b.pak", "GAME.INI", "GAME"},
        {"a 256-byte header name without NUL is compared whole", {}, {Pack("A.pak", {"GAME.INI"}, kLong)}, nullptr,
         "", "GAME.INI", Outcome::Found, "A.pak", "GAME.INI", kLong.c_str()},
        {"... and 255 of its bytes are another name", {}, {Pack("A.pak", {"GAME.INI"}, kLong)}, nullptr, "",
         "GAME.INI", Outcome::NotFound, "", "", kShort.c_str()},
        {"an empty .pak fails with the decompression error", {},
         {{"A.pak", {}, "", true}, Pack("b.pak", {"GAME.INI"})}, nullptr, "", "GAME.INI",
         Outcome::DecompressionError},
        {"an empty .pak is passed over while packName is set", {},
         {{"A.pak", {}, "", true}, Pack("b.pak", {"GAME.INI"}, "GAME")}, nullptr, "", "GAME.INI", Outcome::Found,
         "b.pak", "GAME.INI", "GAME"},
    };
    return cases;
}

const PackFile& PackOf(const LookupCase& row, const std::string& file) {
    for (const PackFile& pack : row.packs)
        if (pack.file == file) return pack;
    throw std::logic_error("no such pack in the row");
}

std::string DataOf(const PackFile& pack, const std::string& entry) {
    for (const auto& [name, data] : pack.entries)
        if (name == entry) return data;
    throw std::logic_error("no such entry in the pack");
}

using FindInPacksTest = PackTest;

TEST_F(FindInPacksTest, EveryVersionStoredAndCompressed) {
    for (const Variant& variant : AllVariants()) {
        for (const LookupCase& row : LookupCases()) {
            SCOPED_TRACE(Describe(variant) + ": " + row.what);
            ResetPackState();
            ScratchDirectory scratch;
            for (const std::string& directory : row.directories) MakeDirectory(directory);
            for (const PackFile& pack : row.packs)
                WriteFile(pack.file, pack.emptyFile ? "" : WritePack(variant, pack.entries, pack.headerName));
            packName.Assign(row.packName);
            DialogAnswers noDialog({});
            if (row.earlierLookup) {
                OCFile earlier;
                LookUp(earlier, scratch.Path() + row.earlierLookup, "");
            }

            OCFile file;
            const Outcome outcome = LookUp(file, scratch.Path() + row.directory, row.request);
            EXPECT_TRUE(noDialog.Shown().empty());
            // Headers of versions 0 and 1 carry no name: no packName admits them.
            const bool unnamed = *row.packName && variant.version < 2;
            const Outcome expected = unnamed ? Outcome::NotFound : row.outcome;
            EXPECT_STREQ(Describe(expected), Describe(outcome));
            if (outcome == Outcome::NotFound) {
                EXPECT_EQ(nullptr, file.file);
            }
            if (outcome != Outcome::Found) continue;
            if (expected != Outcome::Found) continue;
            const std::string data = DataOf(PackOf(row, row.pack), row.entry);
            EXPECT_NE(nullptr, file.file) << "the pack file stays open";
            EXPECT_EQ(scratch.Path() + "\\" + row.pack, Text(file.name));
            EXPECT_EQ(row.entry, Text(file.path));
            EXPECT_EQ(1, file.inPack);
            EXPECT_EQ(variant.compress, file.compressed != 0);
            EXPECT_EQ(variant.compress, file.memoryMode != 0);
            EXPECT_EQ(variant.compress, file.baseOffset == 0);
            EXPECT_EQ(data.size(), file.GetSize());
            EXPECT_EQ(data, ReadAllBytes(file));
        }
    }
}

// After a match the stream reads the entry alone, whether it is a window on the pack file
// or an inflated copy; the next entry's bytes follow it in the pack.
TEST_F(FindInPacksTest, TheStreamShowsTheEntryAlone) {
    for (const Variant& variant : AllVariants()) {
        SCOPED_TRACE(Describe(variant));
        ResetPackState();
        ScratchDirectory scratch;
        WriteFile("a.pak", WritePack(variant, {{"FIRST.BIN", "abcdefghijklmnopqrstuvwxyz"},
                                               {"SECOND.BIN", "0123456789"},
                                               {"THIRD.BIN", "following bytes"}}));
        OCFile file;
        ASSERT_EQ(Outcome::Found, LookUp(file, scratch.Path(), "SECOND.BIN"));
        EXPECT_EQ(10u, file.GetSize());
        EXPECT_EQ("0123456789", ReadBytes(file, 100));
        EXPECT_EQ("", ReadBytes(file, 100));
        EXPECT_EQ(0, file.Seek(2, SEEK_SET));
        EXPECT_EQ("234", ReadBytes(file, 3));
        EXPECT_EQ(0, file.Seek(-3, SEEK_CUR));
        EXPECT_EQ("234", ReadBytes(file, 3));
        EXPECT_EQ(0, file.Seek(4, SEEK_END)) << "four bytes back from the end";
        EXPECT_EQ(6, file.position);
        EXPECT_EQ("6789", ReadBytes(file, 100));
        EXPECT_EQ(0, file.Seek(0, SEEK_END));
        EXPECT_EQ("", ReadBytes(file, 1));
        EXPECT_EQ(10u, file.GetSize());
        file.Close();
        EXPECT_EQ(nullptr, file.file);
        EXPECT_EQ(0u, file.GetSize());
    }
}

// OCFile::Open falls back to the packs of the current directory for a name not on disk.
TEST_F(FindInPacksTest, OpenReadsTheEntrysExactBytes) {
    std::string binary;
    for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 7919) % 251 ^ (i >> 8));
    const NamesAndData entries = {
        {"EMPTY.BIN", ""},
        {"ONE.BIN", "x"},
        {"GAME.INI", "[\x90\xdd\x92\xe8]\r\nName=demo\r\nTitle=\x83\x5c\r\n"},
        {"BINARY.BIN", binary},
        {"data\\\x83\x5c.txt", std::string("with a NUL\0inside", 17)},
    };
    for (const Variant& variant : AllVariants()) {
        ResetPackState();
        ScratchDirectory scratch;
        WriteFile("data.pak", WritePack(variant, entries));
        DialogAnswers noDialog({});
        for (const auto& [name, data] : entries) {
            SCOPED_TRACE(Describe(variant) + ": " + name);
            OCFile file;
            ASSERT_EQ(1, file.Open(name.c_str(), OCFile::ModeRead));
            EXPECT_EQ(0, file.position);
            EXPECT_EQ(name, Text(file.path));
            EXPECT_EQ(data.size(), file.GetSize());
            EXPECT_TRUE(data == ReadAllBytes(file)) << "the bytes differ";
        }
        EXPECT_TRUE(noDialog.Shown().empty());
    }
}

// A pack that is there but does not open: Open's dialog; after Ignore the lookup reads it
// as an empty file, which fails unless packName passes it over.
struct UnopenableCase {
    const char* what;
    int answer;
    const char* packName;
    const char* outcome;
};

// The runtime refuses to open the files whose names end in this text, and counts the tries.
const char* refusedSuffix = "";
int refusedOpens = 0;

std::FILE* RefuseSuffix(const char* path, const char* mode) {
    const std::string text = path;
    const std::size_t length = std::strlen(refusedSuffix);
    if (text.size() >= length && text.compare(text.size() - length, length, refusedSuffix) == 0) {
        ++refusedOpens;
        return nullptr;
    }
    return ::_fsopen(path, mode, _SH_DENYNO);
}

class RefuseOpening {
public:
    explicit RefuseOpening(const char* suffix) {
        refusedSuffix = suffix;
        refusedOpens = 0;
        seam::hooks().openFile = RefuseSuffix;
    }
    RefuseOpening(const RefuseOpening&) = delete;
    RefuseOpening& operator=(const RefuseOpening&) = delete;
    ~RefuseOpening() { seam::hooks().openFile = nullptr; }
};

TEST_F(FindInPacksTest, APackThatDoesNotOpen) {
    const std::vector<UnopenableCase> cases = {
        {"Ignore, every pack admitted", IDIGNORE, "", "the decompression error"},
        {"Ignore, packName set", IDIGNORE, "GAME", "from b"},
        {"Abort", IDABORT, "GAME", "Open's Abort error"},
    };
    for (const UnopenableCase& row : cases) {
        SCOPED_TRACE(row.what);
        ResetPackState();
        ScratchDirectory scratch;
        WriteFile("A.pak", WritePack({3, false}, {{"GAME.INI", "from A"}}, "GAME"));
        WriteFile("b.pak", WritePack({3, false}, {{"GAME.INI", "from b"}}, "GAME"));
        packName.Assign(row.packName);
        DialogAnswers dialogs({row.answer});
        OCFile file;
        std::string outcome;
        try {
            RefuseOpening refuse("A.pak");
            outcome = file.FindInPacks(scratch.Path().c_str(), "GAME.INI") ? ReadAllBytes(file) : "not found";
        } catch (const OCErrorException& error) {
            const std::string message = Text(error.message);
            outcome = message == kInflateFailed                        ? "the decompression error"
                      : message.find("A.pak") != std::string::npos ? "Open's Abort error"
                                                                     : "another error: " + message;
        }
        EXPECT_EQ(row.outcome, outcome);
        ASSERT_EQ(1u, dialogs.Shown().size());
        EXPECT_NE(std::string::npos, dialogs.Shown()[0].text.find(scratch.Path() + "\\A.pak"));
    }
}

// Where OCFile::Open looks for a name that is not on disk: the current directory's packs,
// then, unless the mode says otherwise, those of the search directories in list order. A
// wildcard without a match is looked for as it is; a name that is on disk but does not open
// is not looked for at all.
struct OpenSearchCase {
    const char* what;
    NamesAndData here;                     // the current directory's pack; none when empty
    NamesAndData extra;                    // the pack of the search directory "extra"
    std::vector<std::string> directories;  // made in the current directory
    std::vector<std::string> files;        // written there
    const char* refused;                   // the runtime refuses names ending in this, or null
    const char* request;
    int mode;
    const char* result;  // the bytes read; null: nothing opens, and the dialog asks
};

TEST_F(FindInPacksTest, OpenSearchesTheCurrentDirectoryThenTheSearchDirectories) {
    const int read = OCFile::ModeRead;
    const int skip = OCFile::ModeRead | OCFile::ModeSkipSearchDirectories;
    const NamesAndData starred = {{"*.ini.txt", "starred"}};
    const std::vector<OpenSearchCase> cases = {
        {"a name only in a search directory's pack", {}, {{"EXTRA.TXT", "from extra"}}, {}, {}, nullptr,
         "EXTRA.TXT", read, "from extra"},
        {"ModeSkipSearchDirectories: the current directory's packs alone", {}, {{"EXTRA.TXT", "from extra"}}, {},
         {}, nullptr, "EXTRA.TXT", skip, nullptr},
        {"the current directory's packs first", {{"GAME.INI", "from here"}}, {{"GAME.INI", "from extra"}}, {}, {},
         nullptr, "GAME.INI", read, "from here"},
        {"a wildcard without a match on disk is looked for as it is", {}, starred, {}, {}, nullptr, "*.ini", read,
         "starred"},
        {"... whatever the mode", {}, starred, {}, {}, nullptr, "*.ini", OCFile::ModeWrite, "starred"},
        {"... in the current directory alone with ModeSkipSearchDirectories", {}, starred, {}, {}, nullptr, "*.ini",
         skip, nullptr},
        {"a name on disk that does not open is not looked for", {{"GAME.INI", "from here"}}, {}, {"GAME.INI"}, {},
         nullptr, "GAME.INI", read, nullptr},
        {"a wildcard's first match is the only one tried, and no pack after it",
         {{"w\\*.dat", "from here"}}, {}, {"w"}, {"w\\a.dat", "w\\b.dat"}, ".dat", "w\\*.dat", read, nullptr},
    };
    for (const OpenSearchCase& row : cases) {
        SCOPED_TRACE(row.what);
        ResetPackState();
        ScratchDirectory scratch;
        for (const std::string& directory : row.directories) MakeDirectory(directory);
        for (const std::string& name : row.files) WriteFile(name, "on disk");
        const Variant variant = {2, false};
        if (!row.here.empty()) WriteFile("here.pak", WritePack(variant, row.here));
        MakeDirectory("extra");
        WriteFile("extra\\extra.pak", WritePack(variant, row.extra));
        searchDirectories = {OCString((scratch.Path() + "\\missing").c_str()),
                             OCString((scratch.Path() + "\\extra").c_str())};
        DialogAnswers dialogs({});
        std::unique_ptr<RefuseOpening> refuse;
        if (row.refused) refuse = std::make_unique<RefuseOpening>(row.refused);
        OCFile file;
        const int opened = file.Open(row.request, row.mode);
        if (row.refused) {
            EXPECT_EQ(1, refusedOpens);
        }
        refuse.reset();
        if (!row.result) {
            EXPECT_EQ(0, opened);
            EXPECT_EQ(nullptr, file.file);
            ASSERT_EQ(1u, dialogs.Shown().size());
            EXPECT_NE(std::string::npos, dialogs.Shown()[0].text.find(row.request));
            continue;
        }
        ASSERT_EQ(1, opened);
        EXPECT_TRUE(dialogs.Shown().empty());
        EXPECT_EQ(1, file.inPack);
        EXPECT_EQ(row.result, ReadAllBytes(file));
    }
}

// A directory record of a lookup that does not find it: it may claim anything, and a
// compressed flag fills every value.
std::string Record(std::uint32_t version, const std::string& name, std::uint32_t seed, std::uint32_t flag = 0) {
    packwriter::Record fields;
    fields.name = name;
    fields.offset = seed;
    fields.size = seed + 1;
    fields.storedSize = seed + 2;
    fields.flag = flag;
    return packwriter::EncodeRecord(version, fields);
}

const std::string kDataA = "data\\a.bmp";
const std::string kKana = "\x83\x66\x81\x5b\x83\x5e\\";  // データ and a backslash

// The directory record left in the stream's entry: after a match that record, otherwise the
// last one read, with a record cut short keeping values of the one before. The walk passes
// plain mismatches over where they lie; what it leaves must be what reading each record in
// turn leaves, the reader's own walk here.
TEST_F(FindInPacksTest, TheEntryRecordIsWhatReadingEveryRecordLeaves) {
    struct Row {
        const char* what;
        std::string (*directory)(std::uint32_t version);
        std::uint32_t entryCount;
        std::string request;
        int matched;  // the index of the record found, -1 for none
    };
    const std::vector<Row> rows = {
        {"plain mismatches before the match",
         [](std::uint32_t v) {
             return Record(v, "data\\b.bmp", 1) + Record(v, "data\\c.bmp", 2) + Record(v, kDataA, 3);
         },
         3, kDataA, 2},
        {"no match: the last record read",
         [](std::uint32_t v) { return Record(v, "data\\b.bmp", 1) + Record(v, "data\\c.bmp", 2); }, 2, kDataA, -1},
        {"the last record cut short keeps values of the one before",
         [](std::uint32_t v) {
             const std::string last = Record(v, "data\\c.bmp", 7);
             return Record(v, "data\\b.bmp", 1, 1) + last.substr(0, last.size() - 6);
         },
         2, kDataA, -1},
        {"more records counted than the directory holds",
         [](std::uint32_t v) { return Record(v, "data\\b.bmp", 1) + Record(v, "data\\c.bmp", 2); }, 9, kDataA, -1},
        {"a name shorter than the request, then the match",
         [](std::uint32_t v) { return Record(v, "data\\a", 1) + Record(v, kDataA + ".old", 2); }, 2, kDataA, 1},
        {"a zero inside a name ends it: a match",
         [](std::uint32_t v) { return Record(v, "data\\b.bmp", 1) + Record(v, kDataA + std::string("\0old", 4), 2); },
         2, kDataA, 1},
        {"a zero inside a name ends it: no match",
         [](std::uint32_t v) { return Record(v, kDataA + std::string("\0old", 4), 1) + Record(v, "data\\c.bmp", 2); },
         2, kDataA + "old", -1},
        {"ASCII letters in another case match",
         [](std::uint32_t v) { return Record(v, "data\\b.bmp", 1) + Record(v, kDataA, 2); }, 2, "DATA\\A.BMP", 1},
        {"equal two-byte characters before the difference",
         [](std::uint32_t v) { return Record(v, kKana + "b.bmp", 1) + Record(v, kKana + "a.bmp", 2); }, 2,
         kKana + "a.bmp", 1},
        {"a full-width capital matches its small letter",
         [](std::uint32_t v) { return Record(v, "\x82\x61.bmp", 1) + Record(v, "\x82\x60.bmp", 2); }, 2,
         "\x82\x81.bmp", 1},
        {"a name longer than a walk reads in place",
         [](std::uint32_t v) { return Record(v, std::string(5000, 'x'), 1) + Record(v, kDataA, 2); }, 2, kDataA, 1},
        {"a count no name can have takes four bytes alone",
         [](std::uint32_t v) {
             const std::string values(4 * (v == 4 ? 6 : 5), 'v');
             return Record(v, "data\\b.bmp", 1) + packwriter::U32(0xFFFFFFF0u) + values + Record(v, kDataA, 3);
         },
         3, kDataA, 2},
    };
    for (std::uint32_t version : {3u, 4u}) {
        for (const Row& row : rows) {
            SCOPED_TRACE("version " + std::to_string(version) + ": " + row.what);
            ResetPackState();
            ScratchDirectory scratch;
            std::string directory = row.directory(version);
            packwriter::PackOptions options;
            options.version = version;
            WriteFile("a.pak", packwriter::Assemble(options, row.entryCount, directory, std::string(64, 'd')));
            OCFile file;
            EXPECT_STREQ(Describe(row.matched >= 0 ? Outcome::Found : Outcome::NotFound),
                         Describe(LookUp(file, scratch.Path(), row.request)));

            OCFile records;
            records.OpenMemory(&directory[0], static_cast<std::uint32_t>(directory.size()));
            OCPackEntry expected;
            for (std::uint32_t i = 0; i < row.entryCount && records.position < records.GetSize(); ++i) {
                version == 4 ? expected.ReadV4(records) : expected.Read(records);
                if (static_cast<int>(i) == row.matched) break;
            }
            EXPECT_EQ(Text(expected.name), Text(file.entry->name));
            for (int i = 0; i < 6; ++i) EXPECT_EQ(expected.values[i], file.entry->values[i]) << "values[" << i << "]";
        }
    }
}

}  // namespace
