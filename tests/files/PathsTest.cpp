#include "files/Paths.h"

#include <gtest/gtest.h>

#include <string>

#include "files/OCPath.h"
#include "platform/Platform.h"
#include "tests/support/Scratch.h"

namespace {

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(Paths, IsAbsolutePath) {
    struct Row {
        const char* path;
        int absolute;
    };
    const Row rows[] = {
        {"\\x", 1},     {"C:x", 1},       {"C:\\x", 1},        {"\\\\srv\\share", 1}, {"x\\y", 0},
        {"", 0},        {nullptr, 0},     {"x:", 1},           {"ab:c", 0},
        {"\x95\x5c:", 1},  // 95 5C is one character, so the colon is the second
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path ? row.path : "(null)");
        EXPECT_EQ(row.absolute, IsAbsolutePath(row.path));
    }
}

TEST(Paths, EndsWithSeparator) {
    struct Row {
        const char* path;
        int ends;
    };
    const Row rows[] = {
        {"a\\b\\", 1}, {"\\", 1}, {"a\\b", 0}, {"", 0}, {nullptr, 0},
        {"data\\\x95\x5c", 0},    // the last character is a two-byte one ending in 0x5C
        {"\x95\x5c\\", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path ? row.path : "(null)");
        EXPECT_EQ(row.ends, EndsWithSeparator(row.path));
    }
}

TEST(Paths, GetDirectory) {
    struct Row {
        const char* path;
        const char* directory;
    };
    const Row rows[] = {
        {"a\\b\\c.txt", "a\\b"},
        {"a\\b\\", "a\\b\\"},
        {"c.txt", "c.txt"},
        {"C:\\x.ini", "C:"},
        {"\x95\x5c\\x", "\x95\x5c"},       // 95 5C is one character, the backslash after it the separator
        {"dir\\\x95\x5c", "dir"},          // the 0x5C inside the last name is no separator
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        OCPath path;
        EXPECT_STREQ(row.path, path.SetPath(row.path).GetText());
        OCString directory;
        path.GetDirectory(directory);
        EXPECT_STREQ(row.directory, directory.GetText());
    }
}

TEST(Paths, GetDirectoryOfAnEmptyPath) {
    OCPath path;
    OCString directory("old");
    path.GetDirectory(directory);
    EXPECT_EQ(nullptr, directory.GetText());
}

TEST(Paths, CreateDirectoriesRelative) {
    ScratchDirectory scratch;
    CreateDirectories("a\\\\b\\c\\");
    EXPECT_TRUE(IsDirectory("a"));
    EXPECT_TRUE(IsDirectory("a\\b"));
    EXPECT_TRUE(IsDirectory("a\\b\\c"));
    CreateDirectories("a\\b\\c");  // existing directories are no failure
    EXPECT_TRUE(IsDirectory("a\\b\\c"));
}

TEST(Paths, CreateDirectoriesFromTheCurrentDirectory) {
    ScratchDirectory scratch;
    CreateDirectories((scratch.Path() + "\\x\\y").c_str());
    EXPECT_TRUE(IsDirectory("x\\y"));
}

TEST(Paths, CreateDirectoriesRootRelative) {
    ScratchDirectory scratch;
    // The current directory without its drive: a path from the root of the current drive.
    const std::string rooted = scratch.Path().substr(2) + "\\r\\s";
    ASSERT_EQ('\\', rooted[0]);
    CreateDirectories(rooted.c_str());
    EXPECT_TRUE(IsDirectory("r\\s"));
}

// A network path names its server and share first: neither is a directory to make, and
// nothing of it lands in the current directory.
TEST(Paths, CreateDirectoriesOfANetworkPathMakesNothingHere) {
    ScratchDirectory scratch;
    CreateDirectories("\\\\nosuchserver\\share\\dir");
    for (const char* part : {"nosuchserver", "share", "dir"}) {
        SCOPED_TRACE(part);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(part));
    }
}

TEST(Paths, CreateDirectoriesWithTwoByteNames) {
    ScratchDirectory scratch;
    CreateDirectories("\x95\x5c\\\x83\x5c");  // 表\ソ: each ends in 0x5C
    EXPECT_TRUE(IsDirectory("\x95\x5c"));
    EXPECT_TRUE(IsDirectory("\x95\x5c\\\x83\x5c"));
}

TEST(Paths, FileExists) {
    ScratchDirectory scratch;
    WriteFile("f.txt", "x");
    MakeDirectory("d");
    struct Row {
        std::string path;
        int exists;
    };
    const Row rows[] = {
        {"f.txt", 1},
        {"d", 1},
        {"missing", 0},
        {scratch.Path() + "\\f.txt", 1},
        {scratch.Path() + "\\d", 1},
        {scratch.Path() + "\\missing", 0},
        {"Q:\\f.txt", 0},  // a drive without a volume
        {"\\\\nosuchserver\\share\\f.txt", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(row.exists, FileExists(row.path.c_str()));
    }
    EXPECT_EQ(0, FileExists(nullptr));
}

TEST(Paths, TheCurrentDirectoryIsADrivePath) {
    ScratchDirectory scratch;
    WriteFile("f.txt", "x");
    // The pack search and the directory creation start from this text.
    ASSERT_GE(scratch.Path().size(), 3u);
    EXPECT_EQ(':', scratch.Path()[1]);
    EXPECT_EQ('\\', scratch.Path()[2]);
    EXPECT_EQ(1, FileExists(scratch.Path().c_str()));
    EXPECT_EQ(0, EndsWithSeparator(scratch.Path().c_str()));
    // A game started from a drive root looks for its packs in the bare drive.
    const std::string bareDrive = scratch.Path().substr(0, 2);
    EXPECT_EQ(1, FileExists(bareDrive.c_str()));
    EXPECT_EQ(1, FileExists((bareDrive + "f.txt").c_str())) << "relative to the drive's current directory";
}

}  // namespace
