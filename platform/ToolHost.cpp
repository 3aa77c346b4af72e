// What both systems' sides of ToolHost.h share.
#include "platform/ToolHost.h"

namespace toolhost {

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& why) {
    bytes.clear();
    InputFile file;
    if (!file.Open(path, why)) return false;
    char chunk[65536];
    for (std::size_t got = 0;;) {
        if (!file.ReadAt(bytes.size(), chunk, sizeof chunk, got, why)) return false;
        if (got == 0) return true;
        bytes.append(chunk, got);
    }
}

Hooks& hooks() {
    static Hooks installed;
    return installed;
}

}  // namespace toolhost
