#include "fuzz/PakRun.h"

#include <cstdio>

#include "files/OCFile.h"
#include "fuzz/Output.h"
#include "fuzz/Target.h"
#include "platform/ToolHost.h"
#include "tools/pak/Console.h"
#include "tools/pak/Pak.h"

namespace fuzz {

namespace {

const char kOut[] = "pak-out.txt";
const char kErr[] = "pak-err.txt";

// The whole file in one block of its own size: a hostile archive's listing can run to
// megabytes, and growing a text by doubling would take twice that.
std::string Slurp(std::FILE* file) {
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::rewind(file);
    std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    if (!bytes.empty()) FUZZ_CHECK(std::fread(&bytes[0], 1, bytes.size(), file) == bytes.size());
    std::fclose(file);
    return bytes;
}

// Linux names files in UTF-8, Windows in its ANSI code page (932).
bool NativeTextIsUtf8() {
    std::string native;
    return toolhost::ToNativeText("\x83\x5C", native) && native == "\xE3\x82\xBD";
}

}  // namespace

PakOutput RunPak(const std::vector<std::string>& arguments) {
    std::FILE* out = std::fopen(kOut, "w+b");
    std::FILE* err = std::fopen(kErr, "w+b");
    FUZZ_CHECK(out && err);
    PakOutput output;
    try {
        output.code = pak::Run(arguments, out, err);
    } catch (...) {
        Fail(__FILE__, __LINE__, "an exception left pak::Run");
    }
    output.out = Slurp(out);
    output.err = Slurp(err);
    std::remove(kOut);
    std::remove(kErr);
    FUZZ_CHECK(IsPlainNativeText(output.err));
    return output;
}

void CheckCat(const std::string& archive, const std::string& name, const std::string& bytes) {
    std::string native;
    FUZZ_CHECK(toolhost::ToNativeText(name, native));
    const PakOutput cat = RunPak({"cat", archive, "--", native});
    FUZZ_CHECK(cat.code == pak::kDone && cat.out == bytes);
}

bool LookUpEntry(const std::string& name, const std::string& bytes) {
    OCFile file;
    FUZZ_CHECK(file.Open(name.c_str(), OCFile::ModeRead));
    if (!file.path.GetText() || name != file.path.GetText()) return false;
    std::string shown(bytes.size() + 1, '\0');
    shown.resize(file.Read(&shown[0], static_cast<std::uint32_t>(shown.size())));
    FUZZ_CHECK(shown == bytes);
    return true;
}

void RemoveNativeTree(const std::string& path) {
    std::vector<toolhost::FolderItem> items;
    std::string why;
    if (toolhost::ListFolder(path, items, why)) {
        for (const toolhost::FolderItem& item : items) {
            const std::string below = toolhost::JoinPath(path, item.name);
            if (item.status.kind == toolhost::Kind::Folder)
                RemoveNativeTree(below);
            else
                toolhost::RemoveFile(below);
        }
    }
    toolhost::RemoveFolder(path);
}

bool IsPlainNativeText(const std::string& text) {
    static const bool utf8 = NativeTextIsUtf8();
    return IsPlainText(text, utf8);
}

}  // namespace fuzz
