// Test fixtures on the file system, through the platform layer so that they behave alike
// on the host and under Wine.
#pragma once

#include <string>

// A fresh directory under the temporary path, current while the object lives; removed
// with everything in it afterwards.
class ScratchDirectory {
public:
    ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    ~ScratchDirectory();

    // The directory's full path as GetCurrentDirectoryA gives it.
    const std::string& Path() const { return path; }

private:
    std::string path;
    std::string previous;
};

// Writes bytes to a file (a Windows path), replacing it.
void WriteFile(const std::string& path, const std::string& bytes);
// The bytes of a file, or an empty text when it cannot be read.
std::string ReadFile(const std::string& path);
void MakeDirectory(const std::string& path);
// Removes a file or a directory with everything in it.
void RemoveTree(const std::string& path);

// The real Windows functions under Wine, where a few differ from Windows.
bool RunningUnderWine();
