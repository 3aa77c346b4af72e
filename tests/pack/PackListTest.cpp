#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/ProcessState.h"
#include "files/pack/PackList.h"
#include "tests/pack/PackFixtures.h"
#include "tests/support/Scratch.h"

namespace {

std::vector<std::string> ListedNames(const std::string& directory) {
    std::vector<std::string> names;
    for (const OCString& path : packFiles) {
        const std::string text = Text(path);
        EXPECT_EQ(directory + "\\", text.substr(0, directory.size() + 1));
        names.push_back(text.substr(directory.size() + 1));
    }
    return names;
}

struct ListCase {
    const char* what;
    std::vector<std::string> files;
    std::vector<std::string> directories;
    std::vector<std::string> listed;
};

using ScanPackFilesTest = PackTest;

TEST_F(ScanPackFilesTest, ListsTheArchivesInCollationOrder) {
    const std::vector<ListCase> cases = {
        {"case is ignored", {"b.pak", "A.pak", "c.PAK"}, {}, {"A.pak", "b.pak", "c.PAK"}},
        {"capitals do not sort first", {"B.pak", "a.pak"}, {}, {"a.pak", "B.pak"}},
        {"symbols before digits before letters", {"a.pak", "1.pak", "_.pak"}, {}, {"_.pak", "1.pak", "a.pak"}},
        {"digits compare one by one", {"data2.pak", "data10.pak"}, {}, {"data10.pak", "data2.pak"}},
        {"a directory named like a pack is no pack", {"a.pak"}, {"music.pak"}, {"a.pak"}},
        {"other files are not listed", {"a.pak", "a.txt", "pak"}, {}, {"a.pak"}},
        {"no archive at all", {"readme.txt"}, {}, {}},
    };
    for (const ListCase& row : cases) {
        SCOPED_TRACE(row.what);
        ScratchDirectory scratch;
        for (const std::string& directory : row.directories) MakeDirectory(directory);
        for (const std::string& file : row.files) WriteFile(file, "x");
        packFiles.emplace_back("stale");
        ScanPackFiles(scratch.Path().c_str());
        EXPECT_EQ(row.listed, ListedNames(scratch.Path()));
    }
}

TEST_F(ScanPackFilesTest, ASecondScanReplacesTheList) {
    ScratchDirectory scratch;
    WriteFile("a.pak", "x");
    ScanPackFiles(scratch.Path().c_str());
    EXPECT_EQ(std::vector<std::string>{"a.pak"}, ListedNames(scratch.Path()));
    RemoveTree("a.pak");
    ScanPackFiles(scratch.Path().c_str());
    EXPECT_TRUE(packFiles.empty());
    packFiles.emplace_back("stale");
    ScanPackFiles((scratch.Path() + "\\missing").c_str());
    EXPECT_TRUE(packFiles.empty());
}

}  // namespace
