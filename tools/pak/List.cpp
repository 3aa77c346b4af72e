// pak list: the header and one row for each directory record, as text or JSON.
#include <cmath>
#include <cstring>

#include "tools/pak/Archive.h"
#include "tools/pak/Commands.h"
#include "tools/pak/Names.h"

namespace pak {

namespace {

// The header's name up to its NUL, or all 256 bytes when it has none.
std::string HeaderName(const OCPackHeader& header) {
    return std::string(header.name, strnlen(header.name, sizeof header.name));
}

bool HasName(const OCPackHeader& header) { return header.version >= 2; }

std::string Number(double number) {
    if (!std::isfinite(number)) return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", number);
    return text;
}

const char* Method(const ArchiveEntry& entry) { return entry.compressed ? "deflate" : "stored"; }

void PrintText(const Archive& archive, const std::vector<ArchiveEntry>& entries, std::FILE* out) {
    const OCPackHeader& header = archive.Header();
    std::fprintf(out, "format %u, %u entries", header.version, header.entryCount);
    if (HasName(header))
        std::fprintf(out, ", name \"%s\", number %s", Displayed(HeaderName(header)).c_str(), Number(header.number).c_str());
    std::fprintf(out, "\n%10s %10s %-7s %10s  %s\n", "size", "stored", "method", "offset", "name");
    for (const ArchiveEntry& entry : entries)
        std::fprintf(out, "%10u %10u %-7s %10llu  %s\n", entry.size, entry.storedSize, Method(entry),
                     static_cast<unsigned long long>(entry.start), Displayed(entry.name).c_str());
}

void PrintJson(const Archive& archive, const std::vector<ArchiveEntry>& entries, std::FILE* out) {
    const OCPackHeader& header = archive.Header();
    std::fprintf(out, "{\"format\": %u, \"entryCount\": %u", header.version, header.entryCount);
    if (HasName(header))
        std::fprintf(out, ", \"name\": %s, \"number\": %s", JsonString(HeaderName(header)).c_str(),
                     Number(header.number).c_str());
    std::fprintf(out, ", \"entries\": [");
    const char* separator = "\n";
    for (const ArchiveEntry& entry : entries) {
        std::fprintf(out, "%s  {\"name\": %s, \"size\": %u, \"stored\": %u, \"method\": \"%s\", \"offset\": %llu}",
                     separator, JsonString(entry.name).c_str(), entry.size, entry.storedSize, Method(entry),
                     static_cast<unsigned long long>(entry.start));
        separator = ",\n";
    }
    std::fprintf(out, "\n]}\n");
}

}  // namespace

int List(const std::string& path, bool json, const Console& console) {
    Archive archive(path);
    std::string problem;
    const std::vector<ArchiveEntry> entries = archive.ReadDirectory(problem);
    (json ? PrintJson : PrintText)(archive, entries, console.out);
    if (!problem.empty()) throw Failure(path + ": " + problem);
    return kDone;
}

}  // namespace pak
