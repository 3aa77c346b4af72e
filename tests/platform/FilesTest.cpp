// Files through Windows paths: the same cases hold for the host layer and for Windows itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/Platform.h"
#include "platform/Seam.h"
#include "tests/support/Scratch.h"

namespace {

const DWORD noError = ERROR_SUCCESS;

// The attributes of a path, or its last error when it is not there.
struct Lookup {
    bool found;
    bool directory;
    DWORD error;
};

Lookup LookUp(const std::string& path) {
    SetLastError(noError);
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {false, false, GetLastError()};
    return {true, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, noError};
}

std::string WithSlashes(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

// scratch\dir\in.txt, scratch\file.txt, and 表 (95 5C) as a directory holding in.txt and in a file name.
class Files : public ::testing::Test {
protected:
    void SetUp() override {
        MakeDirectory("dir");
        WriteFile("dir\\in.txt", "in");
        WriteFile("file.txt", "file");
        MakeDirectory("\x95\x5c");
        WriteFile("\x95\x5c\\in.txt", "table in");
        WriteFile("\x95\x5c.txt", "table");
    }

    ScratchDirectory scratch;
};

TEST_F(Files, AttributesThroughEveryPathForm) {
    const std::string absolute = scratch.Path();
    const std::string rootRelative = absolute.substr(2);  // without the drive
    struct Row {
        std::string path;
        bool directory;
    };
    const Row rows[] = {
        {"file.txt", false},
        {"FILE.TXT", false},  // names match without regard to case
        {"dir\\in.txt", false},
        {"dir/in.txt", false},
        {"DIR\\IN.TXT", false},
        {"dir//in.txt", false},
        {"dir\\.\\..\\file.txt", false},
        {"nodir\\..\\file.txt", false},  // ".." is resolved by text, so nodir need not exist
        {absolute + "\\dir\\in.txt", false},
        {WithSlashes(absolute) + "/dir/in.txt", false},
        {rootRelative + "\\file.txt", false},
        {"dir", true},
        {"dir\\", true},
        {".", true},
        {absolute, true},
        {"\x95\x5c.txt", false},
        {"\x95\x5c\\in.txt", false},  // 95 5C is one character; the backslash after it separates
        {"\x95\x5c\\IN.TXT", false},
        {absolute + "\\\x95\x5c\\in.txt", false},
        {"\x95\x5c", true},
        {"Z:\\", true},  // the host's root, which is drive Z: under Wine too
        {"z:/tmp", true},
        {"Z:\\..\\tmp", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        Lookup lookup = LookUp(row.path);
        EXPECT_TRUE(lookup.found) << "error " << lookup.error;
        EXPECT_EQ(row.directory, lookup.directory);
    }
}

TEST_F(Files, AttributesOfWhatIsNotThere) {
    struct Row {
        const char* path;
        DWORD error;
        DWORD wineError;  // where Wine differs from Windows
    };
    const Row rows[] = {
        {"missing", ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND},
        {"missing\\x", ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND},
        {"file.txt\\", ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND},
        {"file.txt\\x", ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND},
        {"", ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND},
        {"*.txt", ERROR_INVALID_NAME, ERROR_INVALID_NAME},
        {"fi?e.txt", ERROR_INVALID_NAME, ERROR_INVALID_NAME},
        // A lead byte before the terminator is a name of one byte; Wine calls its directory missing.
        {"\x95", ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND},
        // A drive that does not exist; Wine reports the file, not the path, as missing.
        {"Q:\\x", ERROR_PATH_NOT_FOUND, ERROR_FILE_NOT_FOUND},
        // Network paths are out of reach; Wine names the device type as wrong.
        {"\\\\server\\share\\x", ERROR_BAD_NETPATH, 66},
    };
    const bool wine = RunningUnderWine();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        Lookup lookup = LookUp(row.path);
        EXPECT_FALSE(lookup.found);
        EXPECT_EQ(wine ? row.wineError : row.error, lookup.error);
    }
}

TEST_F(Files, CreateFile) {
    struct Row {
        const char* name;
        DWORD access;
        DWORD creation;
        bool opens;
        DWORD error;
        const char* contentAfter;  // of file.txt
    };
    const Row rows[] = {
        {"file.txt", 0, OPEN_EXISTING, true, noError, "file"},
        {"FILE.TXT", GENERIC_READ, OPEN_EXISTING, true, noError, "file"},
        {"missing", 0, OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND, "file"},
        {"nodir\\missing", 0, OPEN_EXISTING, false, ERROR_PATH_NOT_FOUND, "file"},
        {"dir", 0, OPEN_EXISTING, false, ERROR_ACCESS_DENIED, "file"},
        {"File.Txt", GENERIC_WRITE, CREATE_NEW, false, ERROR_FILE_EXISTS, "file"},
        {"FILE.txt", GENERIC_WRITE, CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS, ""},  // truncated in place
        {"new.txt", GENERIC_WRITE, CREATE_NEW, true, noError, "file"},
        {"new.txt", GENERIC_WRITE, CREATE_ALWAYS, true, noError, "file"},
        {"nodir\\new.txt", GENERIC_WRITE, CREATE_NEW, false, ERROR_PATH_NOT_FOUND, "file"},
        {"file.txt", 0, 0, false, ERROR_INVALID_PARAMETER, "file"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " creation " + std::to_string(row.creation));
        WriteFile("file.txt", "file");
        DeleteFileA("new.txt");
        SetLastError(0xdead);
        HANDLE file = CreateFileA(row.name, row.access, FILE_SHARE_READ, nullptr, row.creation, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        DWORD error = GetLastError();
        EXPECT_EQ(row.opens, file != INVALID_HANDLE_VALUE);
        EXPECT_EQ(row.error, error);
        if (file != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(file));
        }
        EXPECT_EQ(row.contentAfter, ReadFile("file.txt"));
        // A case variant of an existing name reuses that file and makes no second one.
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA("file.*", &found);
        ASSERT_NE(INVALID_HANDLE_VALUE, search);
        EXPECT_STREQ("file.txt", found.cFileName);
        EXPECT_FALSE(FindNextFileA(search, &found));
        FindClose(search);
    }
}

TEST_F(Files, CloseHandleTwice) {
    HANDLE file = CreateFileA("file.txt", 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_TRUE(CloseHandle(file));
    SetLastError(noError);
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
}

TEST_F(Files, OpenStreams) {
    struct Row {
        const char* name;
        const char* mode;
        DWORD error;  // noError: it opens
    };
    const Row rows[] = {
        {"FILE.TXT", "rb", noError},
        {"missing", "rb", ERROR_FILE_NOT_FOUND},
        {"nodir\\x", "w+b", ERROR_PATH_NOT_FOUND},
        {"dir", "rb", ERROR_ACCESS_DENIED},  // a directory is no stream
        {"\x95\x5c\\in.txt", "rb", noError},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetLastError(noError);
        std::FILE* file = seam::fopen(row.name, row.mode);
        EXPECT_EQ(row.error == noError, file != nullptr);
        if (file) {
            std::fclose(file);
        } else {
            EXPECT_EQ(row.error, GetLastError());
        }
    }
}

TEST_F(Files, WriteAndAppendThroughCaseVariants) {
    std::FILE* file = seam::fopen("File.TXT", "w+b");
    ASSERT_NE(nullptr, file);
    std::fputs("one", file);
    std::fclose(file);
    file = seam::fopen("FILE.txt", "a+b");
    ASSERT_NE(nullptr, file);
    std::fputs("two", file);
    std::fclose(file);
    EXPECT_EQ("onetwo", ReadFile("file.txt"));
    // A new name in an existing directory of another case keeps the case it was given.
    WriteFile("DIR\\New.Txt", "new");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("dir\\new.txt", &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    EXPECT_STREQ("New.Txt", found.cFileName);
    FindClose(search);
}

TEST_F(Files, DeleteFile) {
    struct Row {
        const char* name;
        DWORD error;  // noError: it is deleted
    };
    const Row rows[] = {
        {"FILE.TXT", noError},
        {"\x95\x5c.txt", noError},
        {"missing", ERROR_FILE_NOT_FOUND},
        {"nodir\\x", ERROR_PATH_NOT_FOUND},
        {"dir", ERROR_ACCESS_DENIED},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetLastError(noError);
        EXPECT_EQ(row.error == noError, DeleteFileA(row.name) != FALSE);
        EXPECT_EQ(row.error, GetLastError());
        EXPECT_FALSE(row.error == noError && LookUp(row.name).found);
    }
    EXPECT_TRUE(LookUp("\x95\x5c\\in.txt").found);  // deleting 表.txt left the directory 表 alone
}

TEST_F(Files, VolumeOfADriveRoot) {
    const std::string root = scratch.Path().substr(0, 3);  // the scratch directory's drive, e.g. "Z:\"
    EXPECT_TRUE(GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_TRUE(GetVolumeInformationA(nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
    char name[64], fileSystem[64];
    DWORD serial, componentLength, flags;
    EXPECT_TRUE(GetVolumeInformationA("Z:\\", name, sizeof name, &serial, &componentLength, &flags, fileSystem,
                                      sizeof fileSystem));
    EXPECT_GE(componentLength, 255u);
    SetLastError(noError);
    EXPECT_FALSE(GetVolumeInformationA("Q:\\", nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
}

TEST_F(Files, TempPath) {
    char path[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof path, path);
    ASSERT_GT(length, 3u);
    ASSERT_EQ(std::string(path).size(), length);
    EXPECT_EQ('\\', path[length - 1]);
    EXPECT_TRUE(LookUp(path).directory);
    // Too small by one: the size it needs, terminator included, and the buffer left alone.
    char small[MAX_PATH + 1];
    std::fill(small, small + sizeof small, '\xcc');
    EXPECT_EQ(length + 1, GetTempPathA(length, small));
    EXPECT_EQ('\xcc', small[0]);
    EXPECT_EQ(length, GetTempPathA(length + 1, small));
    EXPECT_STREQ(path, small);
}

}  // namespace
