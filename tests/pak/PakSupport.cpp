#include "tests/pak/PakSupport.h"

#include <algorithm>
#include <cstdio>

#include "files/ProcessState.h"
#include "platform/ToolHost.h"
#include "tools/pak/Pak.h"

namespace {

std::string Slurp(std::FILE* file) {
    std::string bytes;
    std::rewind(file);
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, got);
    std::fclose(file);
    return bytes;
}

}  // namespace

PakResult Pak(const std::vector<std::string>& arguments) {
    // Files in the scratch folder: the runtime's tmpfile may want the root of the drive.
    std::FILE* out = std::fopen("pak-out.txt", "w+b");
    std::FILE* err = std::fopen("pak-err.txt", "w+b");
    PakResult result;
    result.code = pak::Run(arguments, out, err);
    result.out = Slurp(out);
    result.err = Slurp(err);
    std::remove("pak-out.txt");
    std::remove("pak-err.txt");
    return result;
}

std::string Native(const std::string& archiveName) {
    std::string native;
    EXPECT_TRUE(toolhost::ToNativeText(archiveName, native));
    return native;
}

std::string PathOf(const std::vector<std::string>& parts) {
    std::string path;
    for (const std::string& part : parts) path = toolhost::JoinPath(path, part);
    return path;
}

void MakeFile(const std::string& path, const std::string& bytes) {
    toolhost::PathParts split = toolhost::SplitPath(path);
    std::string why;
    if (split.parts.size() > 1) {
        split.parts.pop_back();
        ASSERT_TRUE(toolhost::MakeFolders(PathOf(split.parts), why)) << why;
    }
    toolhost::RemoveFile(path);
    toolhost::OutputFile file;
    bool exists = false;
    ASSERT_TRUE(toolhost::CreateNew(path, file, exists, why)) << path << ": " << why;
    ASSERT_TRUE(file.Write(bytes.data(), bytes.size(), why) && file.Close(why)) << why;
}

std::string ReadWhole(const std::string& path) {
    std::string bytes, why;
    toolhost::ReadWholeFile(path, bytes, why);
    return bytes;
}

bool Exists(const std::string& path) {
    toolhost::Status status;
    std::string why;
    return toolhost::GetStatus(path, false, status, why) && status.kind != toolhost::Kind::Missing;
}

std::vector<std::string> FolderNames(const std::string& path) {
    std::vector<toolhost::FolderItem> items;
    std::string why;
    toolhost::ListFolder(path, items, why);
    std::vector<std::string> names;
    for (const toolhost::FolderItem& item : items) names.push_back(item.name);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Prose(std::size_t size) {
    static const char* const words[] = {"pack ", "entry ", "folder ", "name ", "stream ", "zlib ", "\r\n"};
    std::string text;
    for (std::uint32_t i = 0; text.size() < size; i = i * 7 + 3) text += words[i % 7];
    text.resize(size);
    return text;
}

void PakTest::SetUp() {
    packFiles.clear();
    packName.Clear();
    searchDirectories.clear();
    quietOpen = 1;
}

void PakTest::TearDown() {
    packFiles.clear();
    quietOpen = 0;
}
