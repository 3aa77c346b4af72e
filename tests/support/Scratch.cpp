#include "tests/support/Scratch.h"

#include <cstdio>

#include "platform/Platform.h"
#include "platform/Seam.h"

namespace {

std::string CurrentDirectory() {
    char text[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(sizeof text, text);
    return text;
}

}  // namespace

ScratchDirectory::ScratchDirectory() : previous(CurrentDirectory()) {
    static unsigned serial = 0;
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    char leaf[64];
    std::snprintf(leaf, sizeof leaf, "oc-test-%lu-%u", static_cast<unsigned long>(GetCurrentProcessId()), ++serial);
    std::string made = std::string(temp) + leaf;
    RemoveTree(made);
    CreateDirectoryA(made.c_str(), nullptr);
    SetCurrentDirectoryA(made.c_str());
    path = CurrentDirectory();
}

ScratchDirectory::~ScratchDirectory() {
    SetCurrentDirectoryA(previous.c_str());
    RemoveTree(path);
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = seam::fopen(path.c_str(), "wb");
    if (!file) return;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::string ReadFile(const std::string& path) {
    std::string bytes;
    std::FILE* file = seam::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, got);
    std::fclose(file);
    return bytes;
}

void MakeDirectory(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }

void RemoveTree(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string leaf = found.cFileName;
            if (leaf != "." && leaf != "..") RemoveTree(path + "\\" + leaf);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}
