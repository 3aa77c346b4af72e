// pak run in-process by the fuzz targets, and what its output must be.
#pragma once

#include <string>
#include <vector>

namespace fuzz {

struct PakOutput {
    int code;
    std::string out;
    std::string err;
};

// Runs one pak command line in the current folder, its output caught in files there that
// are gone again afterwards. Anything thrown out of pak::Run is a broken promise, and so is
// a message that is not plain native text: what pak tells people never moves a terminal's
// cursor or changes its colours, whatever an archive holds.
PakOutput RunPak(const std::vector<std::string>& arguments);

// pak cat gives back exactly bytes for the entry of archive with that code page 932 name.
void CheckCat(const std::string& archive, const std::string& name, const std::string& bytes);

// Opens name through the lookup of OCFile::Open, which must find it. False where it found
// an entry of another name (an earlier one whose name begins with name); else what it reads
// is exactly bytes.
bool LookUpEntry(const std::string& name, const std::string& bytes);

// Text in the encoding of this system's names, without control characters but line ends
// (fuzz::IsPlainText).
bool IsPlainNativeText(const std::string& text);

// Removes a folder and everything below it by native names. The system's own layer reads a
// path as code page 932, and on Linux cannot name every UTF-8 file name that pak writes.
void RemoveNativeTree(const std::string& path);

}  // namespace fuzz
