// pak verify: sound archives pass; each kind of damage is named; hostile sizes stay cheap.
#include <functional>

#include "tests/pak/PakSupport.h"

namespace {

using packwriter::Layout;

struct Damage {
    const char* what;
    std::uint32_t version;
    std::function<void(Layout&)> records;      // before the directory is encoded
    std::function<void(std::string&)> file;    // the finished archive
    const char* message;                       // empty: verify passes
};

std::string Build(const Damage& row) {
    packwriter::PackOptions options;
    options.version = row.version;
    const bool compress = row.version != 0;
    Layout layout = packwriter::LayOut(options, {{"A.TXT", Prose(600), compress}, {"B.TXT", "plain bytes"}});
    if (row.records) row.records(layout);
    std::string file = packwriter::Assemble(options, static_cast<std::uint32_t>(layout.records.size()),
                                            packwriter::EncodeDirectory(row.version, layout.records), layout.data);
    if (row.file) row.file(file);
    return file;
}

void PatchU32(std::string& bytes, std::size_t at, std::uint32_t value) { bytes.replace(at, 4, packwriter::U32(value)); }

using PakVerify = PakTest;

TEST_F(PakVerify, NamesWhatIsWrong) {
    const std::vector<Damage> cases = {
        {"a sound archive", 3, nullptr, nullptr, ""},
        {"a sound version-0 archive", 0, nullptr, nullptr, ""},
        {"a flipped byte in a compressed entry", 3, [](Layout& l) { l.data[l.records[0].storedSize / 2] ^= 0x20; },
         nullptr, "entry A.TXT: "},
        {"a flipped Adler-32 byte", 4, [](Layout& l) { l.data[l.records[0].storedSize - 1] ^= 1; }, nullptr,
         "entry A.TXT: its Adler-32 does not match"},
        {"a record that points past the end", 3, [](Layout& l) { l.records[1].offset = 0x10000; }, nullptr,
         "entry B.TXT: its data (bytes"},
        {"a stored size past the end", 1, [](Layout& l) { l.records[1].storedSize = 1000; }, nullptr,
         "entry B.TXT: its data"},
        {"a declared size one more than the stream gives", 3, [](Layout& l) { l.records[0].size += 1; }, nullptr,
         "not the 601 declared"},
        {"0xFFFFFFF0 bytes declared for a short stream", 3, [](Layout& l) { l.records[0].size = 0xFFFFFFF0; },
         nullptr, "not the 4294967280 declared"},
        {"a declared size one less", 2, [](Layout& l) { l.records[0].size -= 1; }, nullptr,
         "more than the 599 bytes declared"},
        {"bytes after a zlib stream", 3, [](Layout& l) { l.records[0].storedSize += 3; }, nullptr,
         "3 bytes follow the end of its zlib stream"},
        {"a zlib stream cut short", 3, [](Layout& l) { l.records[0].storedSize -= 5; }, nullptr,
         "its zlib stream is cut short"},
        {"fewer records than the count", 3, nullptr, [](std::string& f) { PatchU32(f, 4, 3); },
         "the directory ends inside record 3 of 3"},
        {"count 0x40000000 over two records", 4, nullptr, [](std::string& f) { PatchU32(f, 4, 0x40000000); },
         "of 1073741824"},
        {"more directory than records", 3, nullptr, [](std::string& f) { PatchU32(f, 4, 1); },
         "bytes after its last record"},
        {"version-0 data over the directory", 0, [](Layout& l) { l.records[1].offset = 4; }, nullptr,
         "entry B.TXT: its data overlaps the header or the directory"},
        {"names the lookup cannot tell apart", 3, [](Layout& l) { l.records[1].name = "a.txt"; }, nullptr,
         "entry a.txt: the lookup cannot tell it from the entry A.TXT"},
        {"a name extract refuses", 3, [](Layout& l) { l.records[1].name = "..\\B.TXT"; }, nullptr,
         "pak extract refuses the name"},
        {"a '/' between a folder and a file", 0, [](Layout& l) { l.records[1].name = "DATA/B.TXT"; }, nullptr,
         "entry DATA/B.TXT: the name holds '/', which the lookup takes for a character"},
        {"a NUL inside a name", 3, [](Layout& l) { l.records[1].name = std::string("B.TXT\0.EXE", 10); }, nullptr,
         "the name holds a NUL byte"},
        {"a directory that does not decompress", 3, nullptr, [](std::string& f) { f[282] ^= 0x40; }, "directory"},
    };
    for (const Damage& row : cases) {
        SCOPED_TRACE(row.what);
        MakeFile("x.pak", Build(row));
        const PakResult result = Pak({"verify", "x.pak"});
        const bool sound = std::string(row.message).empty();
        EXPECT_EQ(sound ? 0 : 1, result.code) << result.err;
        if (sound) {
            EXPECT_EQ("x.pak: 2 entries, all sound\n", result.out);
        } else {
            EXPECT_NE(std::string::npos, result.err.find(row.message)) << result.err;
        }
    }
}

TEST_F(PakVerify, AMillionEmptyRecordsTakeNoLongerThanTheirBytes) {
    std::string directory;
    for (int i = 0; i < 1000000; ++i) directory += packwriter::EncodeRecord(3, packwriter::Record());
    MakeFile("many.pak", packwriter::Assemble({}, 1000000, directory, ""));
    const PakResult result = Pak({"verify", "many.pak"});
    EXPECT_EQ(1, result.code);
    EXPECT_NE(std::string::npos, result.err.find("more problems")) << result.err.substr(0, 1000);
    EXPECT_LT(result.err.size(), 20000u);
}

// Every prefix of a valid archive of each version ends in a clean verdict from every
// command that reads it.
TEST_F(PakVerify, EveryTruncationEndsCleanly) {
    for (std::uint32_t version = 0; version <= 4; ++version) {
        SCOPED_TRACE("version " + std::to_string(version));
        const std::string whole = Build({"", version, nullptr, nullptr, ""});
        for (std::size_t size = 0; size < whole.size(); ++size) {
            MakeFile("cut.pak", whole.substr(0, size));
            ASSERT_EQ(1, Pak({"verify", "cut.pak"}).code) << size << " bytes";
            ASSERT_EQ(1, Pak({"extract", "cut.pak", "-q", "-C", "out", "--force"}).code) << size << " bytes";
            // Listing needs the directory alone.
            const int listed = Pak({"list", "cut.pak"}).code;
            ASSERT_TRUE(listed == 1 || (listed == 0 && size >= packwriter::HeaderSize(version))) << size << " bytes";
        }
    }
}

}  // namespace
