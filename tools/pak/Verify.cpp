// pak verify: everything the system's reader relies on, and what it lets pass.
#include <zlib.h>

#include <algorithm>

#include "platform/ToolHost.h"
#include "tools/pak/Archive.h"
#include "tools/pak/Commands.h"
#include "tools/pak/Names.h"

namespace pak {

namespace {

const std::size_t kChunk = 64 * 1024;

// How a zlib stream read from the archive ended.
struct Inflated {
    bool ended = false;          // it reached its end, Adler-32 matched
    std::string error;           // zlib's verdict on bad data
    std::uint64_t produced = 0;  // bytes out
    std::uint64_t consumed = 0;  // bytes of the stream
};

// Inflates a stream of at most compressedSize bytes at start, keeping no output, and stops
// as soon as it yields more than declared: the work is bounded by the archive's own size.
Inflated Inflate(OCFile& file, std::uint64_t start, std::uint32_t compressedSize, std::uint64_t declared) {
    Inflated result;
    file.Seek(static_cast<std::int64_t>(start), SEEK_SET);
    z_stream stream = {};
    if (inflateInit(&stream) != Z_OK) {
        result.error = "zlib could not start";
        return result;
    }
    std::vector<unsigned char> input(kChunk), output(kChunk);
    std::uint32_t left = compressedSize;
    int status = Z_OK;
    while (status != Z_STREAM_END && stream.total_out <= declared) {
        if (stream.avail_in == 0) {
            const std::uint32_t got = left ? file.Read(input.data(), std::min<std::uint32_t>(left, kChunk)) : 0;
            if (got == 0) break;
            left -= got;
            stream.next_in = input.data();
            stream.avail_in = got;
        }
        stream.next_out = output.data();
        stream.avail_out = kChunk;
        status = inflate(&stream, Z_NO_FLUSH);
        if (status == Z_NEED_DICT || status == Z_DATA_ERROR || status == Z_MEM_ERROR || status == Z_STREAM_ERROR) {
            result.error = status == Z_NEED_DICT ? "wants a preset dictionary" : stream.msg ? stream.msg : "bad data";
            break;
        }
    }
    result.ended = status == Z_STREAM_END;
    result.produced = stream.total_out;
    result.consumed = stream.total_in;
    inflateEnd(&stream);
    return result;
}

// Why a zlib stream is not exactly what its record says, or empty.
std::string Judge(const Inflated& inflated, std::uint32_t compressedSize, std::uint64_t declared) {
    if (!inflated.error.empty())
        return inflated.error == "incorrect data check" ? "its Adler-32 does not match its data"
                                                         : "does not decompress (" + inflated.error + ")";
    if (inflated.produced > declared)
        return "inflates to more than the " + std::to_string(declared) + " bytes declared";
    if (!inflated.ended) return "its zlib stream is cut short";
    if (inflated.produced != declared)
        return "inflates to " + std::to_string(inflated.produced) + " bytes, not the " + std::to_string(declared) +
               " declared";
    if (inflated.consumed != compressedSize)
        return std::to_string(compressedSize - inflated.consumed) + " bytes follow the end of its zlib stream";
    return "";
}

// A hostile archive can hold millions of faults: the first ones are told, the rest counted.
class Findings {
public:
    Findings(const Console& console, Progress& progress) : console(console), progress(progress) {}
    ~Findings() {
        if (count > kTold) console.Error("and " + std::to_string(count - kTold) + " more problems");
    }

    void Add(const std::string& message) {
        if (++count > kTold) return;
        progress.Clear();
        console.Error(message);
    }

    std::uint64_t count = 0;

private:
    static const std::uint64_t kTold = 100;
    const Console& console;
    Progress& progress;
};

void CheckDirectory(Archive& archive, Findings& findings) {
    const OCPackHeader& header = archive.Header();
    if (archive.DirectoryEnd() > archive.FileSize()) return;  // reading it reports that
    const std::string why = Judge(Inflate(archive.File(), header.GetSize(), header.compressedDirectorySize,
                                          header.directorySize),
                                  header.compressedDirectorySize, header.directorySize);
    if (!why.empty()) findings.Add(archive.Path() + ": the directory " + why);
}

void CheckEntry(Archive& archive, const ArchiveEntry& entry, Findings& findings) {
    std::vector<std::string> parts;
    const std::string refused = CheckExtractPath(entry.name, parts);
    if (!refused.empty()) findings.Add(archive.About(entry) + "pak extract refuses the name: it " + refused);
    if (entry.nameBytes != entry.name.size())
        findings.Add(archive.About(entry) + "the name holds a NUL byte, which ends it for the reader");
    // No second byte is '/': a byte search finds only the character.
    if (entry.name.find('/') != std::string::npos)
        findings.Add(archive.About(entry) + "the name holds '/', which the lookup takes for a character, not the "
                                            "separator '\\'");
    const std::uint64_t end = entry.start + entry.storedSize;
    if (end > archive.FileSize()) {
        findings.Add(archive.About(entry) + "its data (bytes " + std::to_string(entry.start) + " to " +
                     std::to_string(end) + ") lies past the end of the file (" + std::to_string(archive.FileSize()) +
                     " bytes)");
        return;
    }
    if (entry.start < archive.DirectoryEnd())
        findings.Add(archive.About(entry) + "its data overlaps the header or the directory");
    if (!entry.compressed) return;
    const std::string why =
        Judge(Inflate(archive.File(), entry.start, entry.storedSize, entry.size), entry.storedSize, entry.size);
    if (!why.empty()) findings.Add(archive.About(entry) + why);
}

// Names the lookup cannot tell apart, and names that read alike on this system, which cat
// and extract cannot tell apart either and extract would write to one file.
void CheckNamesApart(const Archive& archive, const std::vector<ArchiveEntry>& entries, Findings& findings) {
    std::vector<std::string> typed;
    for (const ArchiveEntry& entry : entries) typed.push_back(AsTyped(entry.name));
    std::vector<std::size_t> order(entries.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return DirectoryOrder(typed[a], typed[b]); });
    for (std::size_t i = 1; i < order.size(); ++i) {
        if (!SameButForCase(typed[order[i - 1]], typed[order[i]])) continue;
        const ArchiveEntry& first = entries[order[i - 1]];
        const ArchiveEntry& second = entries[order[i]];
        findings.Add(archive.About(second) +
                     (SameButForCase(first.name, second.name) ? "the lookup cannot tell it from the entry "
                                                              : "its name reads here as that of the entry ") +
                     Displayed(first.name));
    }
}

}  // namespace

int Verify(const std::string& path, const Console& console) {
    Archive archive(path);
    Progress progress(console, "verifying", archive.FileSize());
    Findings findings(console, progress);
    if (archive.Header().version != 0) CheckDirectory(archive, findings);
    std::string problem;
    const std::vector<ArchiveEntry> entries = archive.ReadDirectory(problem);
    if (!problem.empty()) findings.Add(path + ": " + problem);
    if (archive.DirectoryLeft() > 0)
        findings.Add(path + ": the directory holds " + std::to_string(archive.DirectoryLeft()) +
                     " bytes after its last record");
    std::uint64_t done = 0;
    for (const ArchiveEntry& entry : entries) {
        if (toolhost::Interrupted()) throw Failure(path + ": interrupted");
        CheckEntry(archive, entry, findings);
        progress.Update(done += entry.storedSize);
    }
    CheckNamesApart(archive, entries, findings);
    progress.Clear();
    if (findings.count > 0) return kFailed;
    if (!console.quiet) std::fprintf(console.out, "%s: %zu entries, all sound\n", path.c_str(), entries.size());
    return kDone;
}

}  // namespace pak
