// A pack archive of arbitrary bytes through pak list, pak list --json and pak verify, run
// in-process. Each ends with one of its exit codes and writes plain text, the JSON
// listing well-formed JSON in UTF-8. Where verify finds the archive sound, the system's
// reader agrees: every entry listed can be extracted by its name and reads back with exactly
// its listed size, and pak cat and the lookup of OCFile::Open give the same bytes.
//
// Input: the archive.
#include "files/ProcessState.h"
#include "fuzz/Output.h"
#include "fuzz/PakRun.h"
#include "fuzz/Seeds.h"
#include "fuzz/Target.h"
#include "tests/support/Hooks.h"
#include "tests/support/Scratch.h"
#include "tools/pak/Archive.h"
#include "tools/pak/Console.h"
#include "tools/pak/Names.h"
#include "tools/packwriter/PackWriter.h"

namespace {

const char kArchive[] = "t.pak";
// pak cat and the lookup read the whole directory again for every entry: the first few
// entries show whether they agree.
const std::size_t kReadAgain = 4;
// Seeds fit the longest input, MAX_LEN in fuzz/CMakeLists.txt.
const std::size_t kSeedNoise = 600;

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++count;
    return count;
}

// The rows of a listing: the text one has two lines before them, the JSON one a line each.
std::size_t TextRows(const std::string& listing) { return listing.empty() ? 0 : Count(listing, "\n") - 2; }
std::size_t JsonRows(const std::string& listing) { return Count(listing, "\n  {\"name\": "); }

// A command that tells how it went with its exit code and, writing text, plain text.
fuzz::PakOutput Pak(const std::vector<std::string>& arguments, bool text = true) {
    const fuzz::PakOutput output = fuzz::RunPak(arguments);
    FUZZ_CHECK(output.code == pak::kDone || output.code == pak::kFailed);
    FUZZ_CHECK(!text || fuzz::IsPlainNativeText(output.out));
    return output;
}

// The entry through the lookup the game uses: found by its name in the only pack of the
// current folder, unless an entry before it has a name that begins with its name.
void CheckLookup(const pak::ArchiveEntry& entry, const std::string& bytes) {
    // The disk comes first: that name opens the archive itself.
    if (pak::SameButForCase(entry.name, kArchive)) return;
    fuzz::LookUpEntry(entry.name, bytes);
}

void CheckEntry(pak::Archive& archive, const pak::ArchiveEntry& entry, bool readAgain) {
    std::vector<std::string> parts;
    FUZZ_CHECK(pak::CheckExtractPath(entry.name, parts).empty());
    std::string bytes;
    bytes.reserve(entry.size);
    archive.ReadEntry(entry, [&](const void* data, std::size_t size) {
        bytes.append(static_cast<const char*>(data), size);
    });
    FUZZ_CHECK(bytes.size() == entry.size);
    if (!readAgain) return;
    fuzz::CheckCat(kArchive, entry.name, bytes);
    CheckLookup(entry, bytes);
}

// Verify found nothing wrong: the tool's reader and the system's read every entry.
void CheckSound(std::size_t rows) {
    try {
        pak::Archive archive(kArchive);
        std::string problem;
        const std::vector<pak::ArchiveEntry> entries = archive.ReadDirectory(problem);
        FUZZ_CHECK(problem.empty() && entries.size() == rows);
        for (std::size_t i = 0; i < entries.size(); ++i) CheckEntry(archive, entries[i], i < kReadAgain);
    } catch (const pak::Failure& failure) {
        fuzz::Fail(__FILE__, __LINE__, failure.what());
    }
}

void Run(const std::uint8_t* data, std::size_t size) {
    // Current for this run only: between runs libFuzzer reads its corpus by relative paths.
    ScratchDirectory directory;
    WriteFile(kArchive, std::string(reinterpret_cast<const char*>(data), size));
    packFiles.clear();
    packName.Clear();
    QuietOpen quiet;
    DialogAnswers dialogs({IDIGNORE});

    const fuzz::PakOutput text = Pak({"list", kArchive});
    // JSON is UTF-8 on every system, not the native text: checked as JSON below.
    const fuzz::PakOutput json = Pak({"list", kArchive, "--json"}, false);
    FUZZ_CHECK(json.code == text.code);
    FUZZ_CHECK(json.out.empty() == text.out.empty());
    FUZZ_CHECK(json.out.empty() || fuzz::IsJson(json.out));
    FUZZ_CHECK(TextRows(text.out) == JsonRows(json.out));
    const fuzz::PakOutput verify = Pak({"verify", kArchive});
    if (verify.code == pak::kDone) {
        FUZZ_CHECK(text.code == pak::kDone);
        CheckSound(TextRows(text.out));
    }
    FUZZ_CHECK(dialogs.Shown().empty());
}

std::vector<std::string> Seeds() {
    std::vector<std::string> seeds = fuzz::SeedPacks(kSeedNoise);
    // Sound archives whose names the lookup finds only in their order, with second bytes 0x5C.
    const std::vector<packwriter::Entry> entries = {
        {"GAME.INI.OLD", "old"}, {"GAME.INI", "new"}, {"\x83\x5C\\\x95\x5C.txt", "table"}, {"DATA\\A.TXT", "a"}};
    for (const std::uint32_t version : {0u, 3u}) {
        packwriter::PackOptions options;
        options.version = version;
        std::vector<packwriter::Entry> kept = entries;
        for (packwriter::Entry& entry : kept) entry.compress = version != 0;
        seeds.push_back(packwriter::WritePack(options, kept));
    }
    return seeds;
}

[[maybe_unused]] const bool registered = fuzz::Register({"pak_tool", Run, Seeds});

}  // namespace
