// pak run in-process in a scratch folder, and the files it reads and writes, by native
// paths relative to that folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/Scratch.h"
#include "tools/packwriter/PackWriter.h"

// What one command line did.
struct PakResult {
    int code;
    std::string out;
    std::string err;
};

// Runs pak with the arguments, its output caught.
PakResult Pak(const std::vector<std::string>& arguments);

// A native name from code page 932 text (UTF-8 on the host, the same bytes on Windows).
std::string Native(const std::string& archiveName);
// Native path parts joined.
std::string PathOf(const std::vector<std::string>& parts);

void MakeFile(const std::string& path, const std::string& bytes);  // with its folders
std::string ReadWhole(const std::string& path);                    // empty when it cannot be read
bool Exists(const std::string& path);
// The names in a folder, sorted.
std::vector<std::string> FolderNames(const std::string& path);

// Bytes that do not compress (packwriter::Noise), and bytes that do.
using packwriter::Noise;
std::string Prose(std::size_t size);

// Every test in a scratch folder of its own, with the pack list of the system reset.
class PakTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ScratchDirectory scratch;
};
