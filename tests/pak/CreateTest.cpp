// pak create, read back by the system's own lookup, and by pak list and pak extract.
#include <cstdio>
#include <map>

#include "files/OCFile.h"
#include "files/ProcessState.h"
#include "platform/ToolHost.h"
#include "tests/pak/PakSupport.h"
#include "tools/pak/Names.h"

namespace {

struct Content {
    const char* what;
    std::string name;  // code page 932, as the entry is named
    std::string bytes;
    bool compressible;
};

const std::vector<Content>& Contents() {
    static const std::vector<Content> contents = {
        {"a short text", "README.TXT", Prose(300), true},
        {"a text over several deflate blocks", "data\\big.txt", Prose(1300000), true},
        {"noise, which deflating makes larger", "data\\noise.bin", Noise(70000, 1), false},
        {"an empty file", "data\\empty.dat", "", false},
        {"so (83 5C) and hyo (95 5C): 0x5C as second bytes", "\x83\x5C\\\x95\x5C.txt", Prose(5000), true},
        {"a name ending in so", "\x83\x5C\\a\x83\x5C", "x", false},
    };
    return contents;
}

std::vector<std::string> NativeParts(const std::string& name) {
    std::vector<std::string> parts(1);
    for (std::size_t at = 0; at < name.size(); at += pak::CharacterSize(name, at)) {
        if (name[at] == '\\')
            parts.emplace_back();
        else
            parts.back().append(name, at, pak::CharacterSize(name, at));
    }
    for (std::string& part : parts) part = Native(part);
    return parts;
}

std::string Below(const std::string& folder, const std::string& name) {
    std::vector<std::string> parts = NativeParts(name);
    parts.insert(parts.begin(), folder);
    return PathOf(parts);
}

void MakeSources() {
    for (const Content& content : Contents()) MakeFile(Below("src", content.name), content.bytes);
}

std::string ReadEntry(OCFile& file) {
    std::string bytes(file.GetSize(), '\0');
    if (!bytes.empty()) bytes.resize(file.Read(&bytes[0], static_cast<std::uint32_t>(bytes.size())));
    return bytes;
}

struct Row {
    std::uint32_t size, stored;
    std::string method;
};

// pak list's rows by name.
std::map<std::string, Row> Listed(const std::string& out) {
    std::map<std::string, Row> rows;
    std::size_t line = out.find('\n', out.find('\n') + 1) + 1;  // past the header and the titles
    while (line < out.size()) {
        const std::size_t end = out.find('\n', line);
        const std::string text = out.substr(line, end - line);
        unsigned size = 0, stored = 0;
        unsigned long long offset = 0;
        char method[16] = {};
        int used = 0;
        if (std::sscanf(text.c_str(), "%u %u %15s %llu %n", &size, &stored, method, &offset, &used) == 4)
            rows[text.substr(static_cast<std::size_t>(used))] = {size, stored, method};
        line = end + 1;
    }
    return rows;
}

using PakCreate = PakTest;

TEST_F(PakCreate, EveryFormatRoundTripsThroughTheSystemsLookup) {
    MakeSources();
    for (std::uint32_t format = 0; format <= 4; ++format) {
        for (const bool storeAll : {false, true}) {
            if (format == 0 && !storeAll) continue;  // version 0 keeps everything stored anyway
            SCOPED_TRACE("format " + std::to_string(format) + (storeAll ? ", --store '*'" : ""));
            std::vector<std::string> arguments = {"create", "data.pak", "--format", std::to_string(format), "-C", "src", "."};
            if (storeAll) arguments.insert(arguments.end(), {"--store", "*"});
            const PakResult created = Pak(arguments);
            ASSERT_EQ(0, created.code) << created.err;

            const PakResult listed = Pak({"list", "data.pak"});
            ASSERT_EQ(0, listed.code) << listed.err;
            const std::map<std::string, Row> rows = Listed(listed.out);
            EXPECT_EQ(Contents().size(), rows.size()) << listed.out;
            const std::string out = "out" + std::to_string(format) + (storeAll ? "s" : "");
            const PakResult extracted = Pak({"extract", "data.pak", "-C", out});
            ASSERT_EQ(0, extracted.code) << extracted.err;

            for (const Content& content : Contents()) {
                SCOPED_TRACE(content.what);
                const bool compressed = format != 0 && !storeAll && content.compressible;
                packFiles.clear();
                OCFile file;
                ASSERT_EQ(1, file.Open(content.name.c_str(), OCFile::ModeRead));
                EXPECT_TRUE(file.inPack);
                EXPECT_EQ(compressed, file.compressed != 0);
                EXPECT_EQ(content.bytes, ReadEntry(file));

                const auto row = rows.find(pak::Displayed(content.name));
                ASSERT_NE(rows.end(), row) << listed.out;
                EXPECT_EQ(content.bytes.size(), row->second.size);
                EXPECT_EQ(compressed ? "deflate" : "stored", row->second.method);
                if (compressed) {
                    EXPECT_LT(row->second.stored, content.bytes.size());
                }
                EXPECT_EQ(content.bytes, ReadWhole(Below(out, content.name)));
            }
            toolhost::RemoveFile("data.pak");
        }
    }
}

TEST_F(PakCreate, TheSameFilesGiveTheSameBytesWhateverTheThreads) {
    MakeSources();
    std::string first;
    for (const char* threads : {"1", "2", "3", "8"}) {
        SCOPED_TRACE(std::string("threads ") + threads);
        ASSERT_EQ(0, Pak({"create", "x.pak", "--threads", threads, "-C", "src", "."}).code);
        const std::string bytes = ReadWhole("x.pak");
        if (first.empty()) first = bytes;
        EXPECT_TRUE(bytes == first) << "the archive differs";
    }
    // Packed from elsewhere under the same names: the same bytes again.
    ASSERT_EQ(0, Pak({"create", "y.pak", Native("\x83\x5C"), "README.TXT", "data", "-C", "src"}).code);
    EXPECT_TRUE(ReadWhole("y.pak") == first);
}

TEST_F(PakCreate, DirectoryOrderLetsTheLookupFindEveryName) {
    // Byte order would put GAME.INI.OLD before game.ini, and the lookup, which matches
    // prefixes without regard to case, would find it for "game.ini".
    MakeFile(PathOf({"src", "GAME.INI.OLD"}), "old");
    MakeFile(PathOf({"src", "game.ini"}), "new");
    ASSERT_EQ(0, Pak({"create", "data.pak", "-C", "src", "."}).code);
    OCFile file;
    ASSERT_EQ(1, file.Open("game.ini", OCFile::ModeRead));
    EXPECT_EQ("new", ReadEntry(file));
}

TEST_F(PakCreate, WhatIsStoredAndWhatIsCompressed) {
    MakeFile(PathOf({"src", "a.txt"}), Prose(20000));
    MakeFile(PathOf({"src", "b.ogg"}), Prose(20000));
    MakeFile(PathOf({"src", "music", "c.txt"}), Prose(20000));
    // 表b.dat: its second byte 0x5C is no separator, so "b.dat" is no file name of it.
    const std::string table = "\x95\x5C" "b.dat";
    MakeFile(PathOf({"src", Native(table)}), Prose(20000));
    struct Case {
        const char* what;
        std::vector<std::string> options;
        const char* a;
        const char* b;
        const char* c;
        const char* d;
    };
    const std::vector<Case> cases = {
        {"by default everything that shrinks", {}, "deflate", "deflate", "deflate", "deflate"},
        {"--store by file name", {"--store", "*.OGG"}, "deflate", "stored", "deflate", "deflate"},
        {"--store by a path", {"--store", "music/*"}, "deflate", "deflate", "stored", "deflate"},
        {"two patterns", {"--store", "*.ogg", "--store=a.*"}, "stored", "stored", "deflate", "deflate"},
        {"level 0 stores everything", {"--level", "0"}, "stored", "stored", "stored", "stored"},
        {"a name read by characters", {"--store", "b.*"}, "deflate", "stored", "deflate", "deflate"},
        {"a pattern with a second byte 0x5C", {"--store", Native("\x95\x5C*")}, "deflate", "deflate", "deflate",
         "stored"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        std::vector<std::string> arguments = {"create", "x.pak", "-C", "src", "."};
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        ASSERT_EQ(0, Pak(arguments).code);
        const std::map<std::string, Row> rows = Listed(Pak({"list", "x.pak"}).out);
        EXPECT_EQ(row.a, rows.at("a.txt").method);
        EXPECT_EQ(row.b, rows.at("b.ogg").method);
        EXPECT_EQ(row.c, rows.at(pak::Displayed("music\\c.txt")).method);
        EXPECT_EQ(row.d, rows.at(pak::Displayed(table)).method);
    }
}

TEST_F(PakCreate, HeaderNameAndNumber) {
    MakeFile("a.txt", "a");
    ASSERT_EQ(0, Pak({"create", "x.pak", "--format", "2", "--name", Native("\x95\x5C"), "--number", "7", "a.txt"}).code);
    EXPECT_NE(std::string::npos, Pak({"list", "x.pak"}).out.find("format 2, 1 entries, name \"" + Native("\x95\x5C") +
                                                                 "\", number 7\n"));
    // The lookup admits the pack by that name.
    packName.Assign("\x95\x5C");
    OCFile file;
    EXPECT_EQ(1, file.Open("a.txt", OCFile::ModeRead));
    packName.Clear();
}

TEST_F(PakCreate, TheArchiveIsNotPackedIntoItself) {
    MakeFile(PathOf({"src", "a.txt"}), "a");
    ASSERT_EQ(0, Pak({"create", PathOf({"src", "x.pak"}), "-C", "src", "."}).code);
    ASSERT_EQ(0, Pak({"create", PathOf({"src", "x.pak"}), "-C", "src", "."}).code);
    const std::map<std::string, Row> rows = Listed(Pak({"list", PathOf({"src", "x.pak"})}).out);
    EXPECT_EQ(1u, rows.size());
    EXPECT_EQ(1u, rows.count("a.txt"));
}

// Each write counted, and the one numbered failAt refused.
int writesSeen = 0;
int failAt = 0;

bool CountWrites(std::size_t) { return ++writesSeen != failAt; }

class FailingWrite {
public:
    explicit FailingWrite(int at) {
        writesSeen = 0;
        failAt = at;
        toolhost::hooks().write = CountWrites;
    }
    ~FailingWrite() { toolhost::hooks().write = nullptr; }
};

TEST_F(PakCreate, AFailedWriteLeavesTheOldArchiveAndNoOtherFile) {
    MakeSources();
    MakeFile("data.pak", "the old archive");
    const std::vector<std::string> before = FolderNames(".");
    int writes = 0;
    {
        FailingWrite counting(0);
        const std::vector<std::string> arguments = {"create", "counted.pak", "-C", "src", "."};
        ASSERT_EQ(0, Pak(arguments).code);
        writes = writesSeen;
        toolhost::RemoveFile("counted.pak");
    }
    struct Case {
        const char* what;
        int at;
    };
    for (const Case& row : {Case{"the first write, to the scratch data", 1},
                            Case{"the last write, into the new archive", writes}}) {
        SCOPED_TRACE(row.what);
        FailingWrite failing(row.at);
        const PakResult result = Pak({"create", "data.pak", "-C", "src", "."});
        EXPECT_EQ(1, result.code);
        EXPECT_NE(std::string::npos, result.err.find("data.pak")) << result.err;
        EXPECT_EQ("the old archive", ReadWhole("data.pak"));
        EXPECT_EQ(before, FolderNames("."));
    }
}

TEST_F(PakCreate, RefusalsNameTheFile) {
    MakeFile(PathOf({"src", "a.txt"}), "a");
    std::string why;
    ASSERT_TRUE(toolhost::MakeFolders("empty", why)) << why;
    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        int code;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"a path that is not there", {"create", "x.pak", "missing"}, 1, "missing: no such file or folder"},
        {"nothing below the paths", {"create", "x.pak", "empty"}, 1, "nothing to pack"},
        {"an absolute path", {"create", "x.pak", "/x"}, 2, "an absolute path has no entry name"},
        {"a path climbing out", {"create", "x.pak", PathOf({"src", "..", "src"})}, 2, "'..'"},
        {"a folder to write into that is not there", {"create", PathOf({"nowhere", "x.pak"}), "src"}, 1, "x.pak"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        const PakResult result = Pak(row.arguments);
        EXPECT_EQ(row.code, result.code);
        EXPECT_NE(std::string::npos, result.err.find(row.message)) << result.err;
        EXPECT_FALSE(Exists("x.pak"));
    }
}

}  // namespace
