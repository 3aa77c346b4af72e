#include "files/OCFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "files/ProcessState.h"
#include "platform/Seam.h"
#include "tests/support/Hooks.h"
#include "tests/support/Messages.h"
#include "tests/support/Scratch.h"
#include "tests/text/TestHeap.h"
#include "text/OCException.h"

namespace {

std::string Text(const OCString& string) { return string.GetText() ? string.GetText() : ""; }

std::string ReadAllBytes(OCFile& file) {
    std::string bytes(file.GetSize(), '\0');
    bytes.resize(file.Read(&bytes[0], static_cast<std::uint32_t>(bytes.size())));
    return bytes;
}

bool IsDirectory(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(OCFileOpen, NullNameClosesAndAsksNothing) {
    ScratchDirectory scratch;
    WriteFile("a.txt", "abc");
    DialogAnswers dialogs({});
    OCFile file;
    ASSERT_EQ(1, file.Open("a.txt", OCFile::ModeRead));
    EXPECT_EQ(0, file.Open(nullptr, OCFile::ModeRead));
    EXPECT_EQ(nullptr, file.file);
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST(OCFileOpen, ExistingFileForReading) {
    ScratchDirectory scratch;
    WriteFile("data.bin", "0123456789");
    for (int mode : {int(OCFile::ModeRead), 3, OCFile::ModeRead | 0x70}) {
        SCOPED_TRACE(mode);
        OCFile file;
        ASSERT_EQ(1, file.Open("data.bin", mode));
        EXPECT_EQ(0, file.position);
        EXPECT_EQ("data.bin", Text(file.name));
        EXPECT_EQ("data.bin", Text(file.path));
        EXPECT_EQ(0, file.inPack);
        EXPECT_EQ("0123456789", ReadAllBytes(file));
    }
}

// Closing first empties name: a stream reopened under its own name must still know it.
TEST(OCFileOpen, ReopenUnderItsOwnName) {
    ScratchDirectory scratch;
    WriteFile("again.txt", "same file");
    DialogAnswers dialogs({});
    OCFile file;
    ASSERT_EQ(1, file.Open("again.txt", OCFile::ModeRead));
    ASSERT_EQ(1, file.Open(file.name.GetText(), OCFile::ModeRead));
    EXPECT_EQ("again.txt", Text(file.name));
    EXPECT_EQ("same file", ReadAllBytes(file));
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST(OCFileOpen, WritingCreatesTheMissingDirectories) {
    ScratchDirectory scratch;
    OCFile file;
    ASSERT_EQ(1, file.Open("save\\a\\b.dat", OCFile::ModeWrite));
    std::fwrite("xy", 1, 2, file.file);
    file.Close();
    EXPECT_TRUE(IsDirectory("save"));
    EXPECT_TRUE(IsDirectory("save\\a"));
    EXPECT_EQ("xy", ReadFile("save\\a\\b.dat"));
}

TEST(OCFileOpen, AppendKeepsWhatIsThere) {
    ScratchDirectory scratch;
    WriteFile("log.txt", "one");
    OCFile file;
    ASSERT_EQ(1, file.Open("log.txt", OCFile::ModeAppend));
    std::fwrite("two", 1, 3, file.file);
    file.Close();
    EXPECT_EQ("onetwo", ReadFile("log.txt"));
}

TEST(OCFileOpen, AnAbsolutePathFromTheCurrentDirectory) {
    ScratchDirectory scratch;
    WriteFile("x.txt", "abs");
    OCFile file;
    ASSERT_EQ(1, file.Open((scratch.Path() + "\\x.txt").c_str(), OCFile::ModeRead));
    EXPECT_EQ("abs", ReadAllBytes(file));
    ASSERT_EQ(1, file.Open((scratch.Path() + "\\new\\y.txt").c_str(), OCFile::ModeWrite));
    file.Close();
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("new\\y.txt"));
}

TEST(OCFileOpen, QuietOpenSilencesOnlyReading) {
    ScratchDirectory scratch;
    WriteFile("plain", "a file, so nothing can be made below it");
    QuietOpen quiet;
    DialogAnswers dialogs({IDIGNORE});
    OCFile file;
    EXPECT_EQ(0, file.Open("missing.txt", OCFile::ModeRead));
    EXPECT_TRUE(dialogs.Shown().empty());
    EXPECT_EQ(0, file.Open("plain\\sub\\x.txt", OCFile::ModeWrite));
    EXPECT_EQ(1u, dialogs.Shown().size());
}

TEST(OCFileDialog, IgnoreReturnsFailure) {
    ScratchDirectory scratch;
    DialogAnswers dialogs({IDIGNORE});
    OCFile file;
    EXPECT_EQ(0, file.Open("missing.txt", OCFile::ModeRead));
    EXPECT_EQ(nullptr, file.file);
    ASSERT_EQ(1u, dialogs.Shown().size());
    const ShownMessage& shown = dialogs.Shown()[0];
    EXPECT_EQ(WithName(kCannotOpen, "missing.txt"), shown.text);
    EXPECT_EQ(kFileError, shown.caption);
    EXPECT_EQ(MB_ABORTRETRYIGNORE | MB_TOPMOST, shown.type);
    EXPECT_EQ(messageOwner, shown.owner);
}

TEST(OCFileDialog, AbortThrowsWithTheName) {
    ScratchDirectory scratch;
    DialogAnswers dialogs({IDABORT});
    OCFile file;
    try {
        file.Open("gone\\GAME.INI", OCFile::ModeRead);
        FAIL() << "Abort must throw";
    } catch (const OCErrorException& error) {
        EXPECT_EQ(WithName(kCouldNotOpen, "gone\\GAME.INI"), Text(error.message));
        EXPECT_NE(0, error.code);
    }
    EXPECT_EQ(nullptr, file.file);
}

int CreateFileThenRetry(HWND, LPCSTR, LPCSTR, UINT) {
    WriteFile("late.txt", "arrived");
    return IDRETRY;
}

TEST(OCFileDialog, RetryFindsAFileThatAppeared) {
    ScratchDirectory scratch;
    seam::hooks().messageBox = CreateFileThenRetry;
    OCFile file;
    const int opened = file.Open("late.txt", OCFile::ModeRead);
    seam::hooks().messageBox = nullptr;
    ASSERT_EQ(1, opened);
    EXPECT_EQ("arrived", ReadAllBytes(file));
}

TEST(OCFileDialog, RetryUsesTheNamePassedIn) {
    ScratchDirectory scratch;
    DialogAnswers dialogs({IDRETRY, IDIGNORE});
    OCFile file;
    OCString request("again.txt");
    EXPECT_EQ(0, file.Open(request.GetText(), OCFile::ModeRead));
    ASSERT_EQ(2u, dialogs.Shown().size());
    EXPECT_EQ(dialogs.Shown()[0].text, dialogs.Shown()[1].text);
}

TEST(OCFileWildcard, OpensTheFirstMatchThatIsNoDirectory) {
    ScratchDirectory scratch;
    MakeDirectory("w");
    MakeDirectory("w\\a.dat");
    WriteFile("w\\b.dat", "bee");
    OCFile file;
    ASSERT_EQ(1, file.Open("w\\*.dat", OCFile::ModeRead));
    EXPECT_EQ("w\\b.dat", Text(file.name));
    EXPECT_EQ("w\\b.dat", Text(file.path));
    EXPECT_EQ("bee", ReadAllBytes(file));
}

TEST(OCFileWildcard, APatternWithoutDirectoryOpensInTheCurrentOne) {
    ScratchDirectory scratch;
    WriteFile("only.cfg", "cfg");
    OCFile file;
    ASSERT_EQ(1, file.Open("*.cfg", OCFile::ModeRead));
    EXPECT_EQ("only.cfg", Text(file.path));
    EXPECT_EQ("cfg", ReadAllBytes(file));
}

TEST(OCFileWildcard, AnAbsolutePattern) {
    ScratchDirectory scratch;
    WriteFile("abs.cfg", "abs");
    OCFile file;
    ASSERT_EQ(1, file.Open((scratch.Path() + "\\*.CFG").c_str(), OCFile::ModeRead));
    EXPECT_EQ(scratch.Path() + "\\abs.cfg", Text(file.path));
}

TEST(OCFileWildcard, NoMatchAsksEvenForWriting) {
    ScratchDirectory scratch;
    DialogAnswers dialogs({IDIGNORE, IDIGNORE});
    OCFile file;
    EXPECT_EQ(0, file.Open("none\\*.dat", OCFile::ModeRead));
    EXPECT_EQ(0, file.Open("none\\*.dat", OCFile::ModeWrite));
    EXPECT_EQ(2u, dialogs.Shown().size());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("none"));
}

TEST(OCFileMemory, OwnBufferIsReadToItsEnd) {
    OCFile file;
    ASSERT_EQ(1, file.OpenMemory(nullptr, 100));
    EXPECT_EQ(1, file.ownsMemory);
    std::memset(file.memory, 'm', 100);
    char out[150];
    EXPECT_EQ(100u, file.Read(out, 150));
    EXPECT_EQ(0u, file.Read(out, 150));
    EXPECT_EQ(100u, file.GetSize());
    file.Close();  // frees the buffer: the sanitizer build reports a leak otherwise
    EXPECT_EQ(nullptr, file.memory);
}

// Out of memory for the copy of the request, an open fails quietly rather than fault.
TEST(OCFileOpen, NoMemoryForTheRequestFailsQuietly) {
    ScratchDirectory scratch;
    WriteFile("f.txt", "x");
    DialogAnswers dialog({IDRETRY});
    OCFile file;
    testheap::RefuseAllocations refuse;
    EXPECT_EQ(0, file.Open("f.txt", OCFile::ModeRead));
    EXPECT_EQ(nullptr, file.file);
    EXPECT_TRUE(dialog.Shown().empty());
}

// A memory stream never lacks its buffer: when none can be had, the stream stays closed.
TEST(OCFileMemory, ARefusedBufferLeavesTheStreamClosed) {
    char earlier[4] = "abc";
    OCFile file;
    ASSERT_EQ(1, file.OpenMemory(earlier, 3));
    {
        testheap::RefuseAllocations refuse;
        EXPECT_EQ(0, file.OpenMemory(nullptr, 100));
        EXPECT_EQ(1, refuse.Refused());
    }
    EXPECT_EQ(0, file.memoryMode);
    EXPECT_EQ(nullptr, file.memory);
    EXPECT_EQ(0, file.ownsMemory);
    EXPECT_EQ(0u, file.GetSize());
    char out[4];
    EXPECT_EQ(0u, file.Read(out, sizeof out));
    EXPECT_STREQ("abc", earlier);
}

TEST(OCFileMemory, CallersBufferStaysTheCallers) {
    char buffer[8] = "abcdefg";
    {
        OCFile file;
        ASSERT_EQ(1, file.OpenMemory(buffer, 7));
        EXPECT_EQ(0, file.ownsMemory);
        char out[4] = {};
        EXPECT_EQ(3u, file.Read(out, 3));
        EXPECT_STREQ("abc", out);
    }
    EXPECT_STREQ("abcdefg", buffer);
}

TEST(OCFileMemory, Seeks) {
    char buffer[10] = "012345678";
    struct Row {
        const char* what;
        std::int64_t start;
        std::int64_t offset;
        int origin;
        std::int64_t position;
    };
    const Row rows[] = {
        {"to the end", 0, 9, SEEK_SET, 9},
        {"one past the end starts over", 5, 10, SEEK_SET, 0},
        {"before the start starts over", 5, -1, SEEK_SET, 0},
        {"forward from here", 2, 3, SEEK_CUR, 5},
        {"back from here", 6, -4, SEEK_CUR, 2},
        {"past the end from here", 6, 4, SEEK_CUR, 0},
        {"counts back from the end", 0, 4, SEEK_END, 5},
        {"the end itself", 0, 0, SEEK_END, 9},
        {"an unknown origin stays", 3, 1, 7, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OCFile file;
        file.OpenMemory(buffer, 9);
        file.Seek(row.start, SEEK_SET);
        EXPECT_EQ(0, file.Seek(row.offset, row.origin));
        EXPECT_EQ(row.position, file.position);
        char next = 0;
        EXPECT_EQ(row.position < 9 ? 1u : 0u, file.Read(&next, 1));
        if (row.position < 9) {
            EXPECT_EQ(buffer[row.position], next);
        }
    }
}

TEST(OCFileClosed, AnswersNothing) {
    OCFile file;
    char out[4];
    EXPECT_EQ(0u, file.GetSize());
    EXPECT_EQ(0, file.Seek(3, SEEK_SET));
    EXPECT_EQ(0, file.position);
    EXPECT_EQ(0u, file.Read(out, 4));
}

TEST(OCFileDisk, SizeLeavesThePosition) {
    ScratchDirectory scratch;
    WriteFile("d.bin", "0123456789");
    OCFile file;
    ASSERT_EQ(1, file.Open("d.bin", OCFile::ModeRead));
    file.Seek(3, SEEK_SET);
    EXPECT_EQ(10u, file.GetSize());
    EXPECT_EQ(3, file.position);
    char next = 0;
    file.Read(&next, 1);
    EXPECT_EQ('3', next);
    EXPECT_EQ(4, file.position);
}

TEST(OCFileDisk, SeeksHandTheOriginToTheRuntime) {
    ScratchDirectory scratch;
    WriteFile("d.bin", "0123456789");
    OCFile file;
    ASSERT_EQ(1, file.Open("d.bin", OCFile::ModeRead));
    EXPECT_EQ(0, file.Seek(-4, SEEK_END));
    EXPECT_EQ(6, file.position);
    EXPECT_EQ(0, file.Seek(-2, SEEK_CUR));
    EXPECT_EQ(4, file.position);
    EXPECT_NE(0, file.Seek(-1, SEEK_SET));  // the runtime refuses, the position stays its own
    EXPECT_EQ(4, file.position);
}

// A pack window made by hand: the lookup sets these members the same way.
class PackWindow : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile("p.bin", "HEADERentry-bytesTRAILER");
        ASSERT_EQ(1, file.Open("p.bin", OCFile::ModeRead));
        file.baseOffset = 6;
        file.inPack = 1;
        file.entry->values[2] = 11;  // "entry-bytes"
        file.Seek(0, SEEK_SET);
    }
    std::string ReadSome(std::uint32_t count) {
        std::string bytes(count, '\0');
        bytes.resize(file.Read(&bytes[0], count));
        return bytes;
    }
    ScratchDirectory scratch;
    OCFile file;
};

TEST_F(PackWindow, ReadsStopAtTheEntrysEnd) {
    EXPECT_EQ(11u, file.GetSize());
    EXPECT_EQ("entry-bytes", ReadSome(100));
    EXPECT_EQ("", ReadSome(1));
}

TEST_F(PackWindow, Seeks) {
    EXPECT_EQ(0, file.Seek(0, SEEK_END));
    EXPECT_EQ(11, file.position);
    EXPECT_EQ("", ReadSome(4));
    EXPECT_EQ(0, file.Seek(4, SEEK_END));  // counts back from the end
    EXPECT_EQ(7, file.position);
    EXPECT_EQ("ytes", ReadSome(10));
    EXPECT_EQ(0, file.Seek(-5, SEEK_CUR));
    EXPECT_EQ("bytes", ReadSome(5));
    EXPECT_EQ(0, file.Seek(2, 9));  // an unknown origin changes nothing
    EXPECT_EQ(11, file.position);
}

}  // namespace
