// Directory searches and the current directory, held to the same cases on the host and Windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "tests/support/Scratch.h"

namespace {

const DWORD noError = ERROR_SUCCESS;

// One search: the names found in order, a directory marked with a final '\', or the error.
struct Listing {
    std::vector<std::string> names;
    DWORD error = noError;
};

Listing Search(const std::string& pattern) {
    Listing listing;
    WIN32_FIND_DATAA found;
    SetLastError(noError);
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        listing.error = GetLastError();
        return listing;
    }
    do {
        bool directory = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        listing.names.push_back(std::string(found.cFileName) + (directory ? "\\" : ""));
    } while (FindNextFileA(search, &found));
    listing.error = GetLastError();
    EXPECT_TRUE(FindClose(search));
    return listing;
}

std::string CurrentDirectory() {
    char path[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(sizeof path, path);
    return path;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return text;
}

// The pack archives of a game directory, with a directory and a near miss among them; "_x.pak"
// sorts after the letters only when they are folded to capitals.
class Directories : public ::testing::Test {
protected:
    void SetUp() override {
        MakeDirectory("sub.pak");
        for (const char* name : {"b.pak", "A.pak", "c.PAK", "_x.pak", "a.pakx", "noext", "\x95\x5c.txt"})
            WriteFile(name, "x");
    }

    ScratchDirectory scratch;
};

TEST_F(Directories, FindByPattern) {
    using Names = std::vector<std::string>;
    const Names everything = {".\\",   "..\\",  "A.pak",     "a.pakx", "b.pak",
                              "c.PAK", "noext", "sub.pak\\", "_x.pak", "\x95\x5c.txt"};
    const Names packs = {"A.pak", "b.pak", "c.PAK", "sub.pak\\", "_x.pak"};
    // Windows also matches the 8.3 short names that Wine makes up: "a.pakx" is "A~1.PAK" there.
    const Names packsUnderWine = {"A.pak", "a.pakx", "b.pak", "c.PAK", "sub.pak\\", "_x.pak"};
    struct Row {
        std::string pattern;
        Names names;
        Names namesUnderWine;
    };
    const Row rows[] = {
        {"*.pak", packs, packsUnderWine},
        {"*.PAK", packs, packsUnderWine},
        {scratch.Path() + "\\*.pak", packs, packsUnderWine},
        {"*", everything, everything},
        {"*.*", everything, everything},  // a trailing ".*" also matches no extension at all
        {"noext.*", {"noext"}, {"noext"}},
        {"a?pak", {"A.pak"}, {"A.pak"}},  // '?' is exactly one character
        {"a.pak?", {"a.pakx"}, {"a.pakx"}},
        {"?.txt", {"\x95\x5c.txt"}, {"\x95\x5c.txt"}},  // 95 5C is one character
        {"\x95\x5c.*", {"\x95\x5c.txt"}, {"\x95\x5c.txt"}},
        {"B.PAK", {"b.pak"}, {"b.pak"}},
        {"sub.pak\\*", {".\\", "..\\"}, {".\\", "..\\"}},
        {"SUB.PAK/*", {".\\", "..\\"}, {".\\", "..\\"}},
    };
    const bool wine = RunningUnderWine();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pattern);
        Listing listing = Search(row.pattern);
        EXPECT_EQ(wine ? row.namesUnderWine : row.names, listing.names);
        EXPECT_EQ(ERROR_NO_MORE_FILES, listing.error);
    }
}

TEST_F(Directories, FindNothing) {
    struct Row {
        const char* pattern;
        DWORD error;
    };
    const Row rows[] = {
        {"*.none", ERROR_FILE_NOT_FOUND},
        {"b.pak?", ERROR_FILE_NOT_FOUND},  // '?' takes one character, never none
        {"sub.pak\\", ERROR_FILE_NOT_FOUND},
        {"missing\\*", ERROR_PATH_NOT_FOUND},
        {"missing\\deeper\\*", ERROR_PATH_NOT_FOUND},
        {"", ERROR_PATH_NOT_FOUND},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pattern);
        EXPECT_EQ(row.error, Search(row.pattern).error);
    }
}

TEST_F(Directories, ADriveRootHasNoDotEntries) {
    Listing root = Search("Z:\\*");
    ASSERT_FALSE(root.names.empty());
    EXPECT_NE(".\\", root.names.front());
    EXPECT_EQ(root.names.end(), std::find(root.names.begin(), root.names.end(), "..\\"));
}

TEST_F(Directories, SearchHandleAfterTheEnd) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("b.pak", &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    EXPECT_EQ(1u, found.nFileSizeLow);
    EXPECT_FALSE(FindNextFileA(search, &found));
    EXPECT_FALSE(FindNextFileA(search, &found));
    EXPECT_EQ(ERROR_NO_MORE_FILES, GetLastError());
    EXPECT_TRUE(FindClose(search));
}

TEST_F(Directories, CurrentDirectoryBufferSizes) {
    const std::string current = CurrentDirectory();
    const DWORD length = static_cast<DWORD>(current.size());
    EXPECT_EQ(scratch.Path(), current);
    EXPECT_EQ(':', current[1]);
    EXPECT_EQ('\\', current[2]);
    EXPECT_EQ(length + 1, GetCurrentDirectoryA(0, nullptr));
    char buffer[MAX_PATH + 1];
    std::fill(buffer, buffer + sizeof buffer, '\xcc');
    EXPECT_EQ(length + 1, GetCurrentDirectoryA(length, buffer));  // one short: the size it needs
    EXPECT_EQ('\xcc', buffer[0]);
    EXPECT_EQ(length, GetCurrentDirectoryA(length + 1, buffer));
    EXPECT_EQ(current, buffer);
}

TEST_F(Directories, SetCurrentDirectory) {
    struct Row {
        std::string path;
        std::string current;  // compared without regard to case
    };
    const Row rows[] = {
        {"sub.pak", scratch.Path() + "\\sub.pak"},
        {"..", scratch.Path()},
        {"SUB.PAK\\", scratch.Path() + "\\sub.pak"},
        {scratch.Path(), scratch.Path()},
        {"Z:\\", "Z:\\"},
        {"\\tmp", "Z:\\tmp"},  // root-relative, on the current drive
        {"Z:\\tmp\\..\\tmp", "Z:\\tmp"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_TRUE(SetCurrentDirectoryA(row.path.c_str()));
        EXPECT_EQ(Upper(row.current), Upper(CurrentDirectory()));
    }
    SetCurrentDirectoryA(scratch.Path().c_str());
    SetLastError(noError);
    EXPECT_FALSE(SetCurrentDirectoryA("missing"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    EXPECT_EQ(scratch.Path(), CurrentDirectory());
}

TEST_F(Directories, CreateAndRemove) {
    struct Row {
        const char* path;
        bool create;  // else remove
        DWORD error;  // noError: it succeeds
    };
    const Row rows[] = {
        {"new", true, noError},
        {"new\\deeper\\", true, noError},
        {"NEW", true, ERROR_ALREADY_EXISTS},  // no second directory of another case
        {"b.pak", true, ERROR_ALREADY_EXISTS},
        {"missing\\sub", true, ERROR_PATH_NOT_FOUND},
        {"b.pak\\sub", true, ERROR_PATH_NOT_FOUND},
        {"\x95\x5c", true, noError},
        {"\x95\x5c\\in", true, noError},
        {"new", false, ERROR_DIR_NOT_EMPTY},
        {"NEW\\Deeper", false, noError},
        {"New", false, noError},
        {"new", false, ERROR_FILE_NOT_FOUND},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.create ? "create " : "remove ") + row.path);
        SetLastError(noError);
        BOOL done = row.create ? CreateDirectoryA(row.path, nullptr) : RemoveDirectoryA(row.path);
        EXPECT_EQ(row.error == noError, done != FALSE);
        EXPECT_EQ(row.error, GetLastError());
    }
    EXPECT_EQ(std::vector<std::string>{"in\\"}, Search("\x95\x5c\\i*").names);
}

}  // namespace
