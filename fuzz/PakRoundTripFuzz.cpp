// Entries from the input, with names pak create takes, made into an archive by pak create
// from files, or by the pack writer from memory, and read back: pak verify passes; pak list
// shows the header and every entry in directory order, with its size and how it is kept;
// pak cat, pak extract and the lookup of OCFile::Open give back its bytes. pak create makes
// the same bytes with one thread as with several.
//
// Input: Byte(format) Byte(level) Byte(switches) Piece(header name) U32(number)
//        Byte(store mask) Piece(store pattern), then up to 8 entries, each
//        Piece(name) Byte(kind) U16(size) Piece(material).
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "files/ProcessState.h"
#include "fuzz/Input.h"
#include "fuzz/Output.h"
#include "fuzz/PakRun.h"
#include "fuzz/Target.h"
#include "platform/ToolHost.h"
#include "tests/support/Hooks.h"
#include "tests/support/Scratch.h"
#include "tools/pak/Names.h"
#include "tools/packwriter/PackWriter.h"

namespace {

const char kArchive[] = "t.pak";
const char kSource[] = "src";
const char kBack[] = "back";
const std::size_t kMostEntries = 8;
const std::size_t kLongestName = 64;
const std::size_t kMostData = 2 << 20;

// switches
const unsigned kByPackWriter = 1;
const unsigned kNamed = 8;
// kind
const unsigned kCompress = 4;
// store mask
const unsigned kStoreAll = 0x80;

struct Entry {
    std::string name;                // as the archive keeps it: '\' between the parts
    std::vector<std::string> parts;  // as they are in the archive
    std::vector<std::string> native; // as this system names the files
    std::string data;
    bool compress = false;           // by the pack writer
    bool stored = false;             // pak create must keep it as it is
};

struct Plan {
    packwriter::PackOptions pack;
    bool named = false;
    bool byPackWriter = false;
    unsigned threads = 1;  // of the second create
    std::vector<std::string> patterns;
    std::vector<Entry> entries;
};

std::string Joined(const std::vector<std::string>& parts, std::size_t count, const char* separator) {
    std::string path;
    for (std::size_t i = 0; i < count; ++i) path += (i ? separator : "") + parts[i];
    return path;
}

std::string NativePath(const std::string& folder, const std::vector<std::string>& native) {
    std::string path = folder;
    for (const std::string& part : native) path = toolhost::JoinPath(path, part);
    return path;
}

// The two can stand side by side in a folder tree: neither is a file where the other has a
// file or folder the lookup cannot tell from it, and a folder they share is spelled alike.
bool FitTogether(const Entry& a, const Entry& b) {
    for (std::size_t k = 1; k <= std::min(a.parts.size(), b.parts.size()); ++k) {
        const std::string first = Joined(a.parts, k, "\\"), second = Joined(b.parts, k, "\\");
        if (!pak::SameButForCase(first, second)) return true;
        if (k == a.parts.size() || k == b.parts.size() || first != second) return false;
    }
    return true;
}

// A name pak create takes from a file, gives back unchanged, and the lookup finds: refused
// by neither extract nor the file system, and unlike the archive's own name, which the
// lookup would find on the disk first.
bool Admit(const std::string& raw, const std::vector<Entry>& kept, Entry& entry) {
    if (raw.size() > kLongestName || !pak::CheckExtractPath(raw, entry.native).empty()) return false;
    pak::CheckEntryName(raw, entry.parts);
    for (std::size_t i = 0; i < entry.parts.size(); ++i) {
        std::string back;
        if (!toolhost::ToArchiveText(entry.native[i], back) || back != entry.parts[i]) return false;
    }
    entry.name = Joined(entry.parts, entry.parts.size(), "\\");
    if (pak::SameButForCase(entry.name, kArchive)) return false;
    return std::all_of(kept.begin(), kept.end(), [&](const Entry& other) { return FitTogether(entry, other); });
}

std::string Repeated(const std::string& material, std::size_t size) {
    std::string data;
    if (material.empty()) return std::string(size, '\0');
    while (data.size() < size) data += material;
    data.resize(size);
    return data;
}

std::string Data(unsigned kind, std::size_t size, const std::string& material) {
    switch (kind % 4) {
        case 0: return material;
        case 1: return Repeated(material, size);
        case 2: return Repeated(material, size * 16);
        default: {
            std::uint32_t seed = 0;
            for (const char c : material) seed = seed * 31 + static_cast<unsigned char>(c);
            return packwriter::Noise(size, seed);
        }
    }
}

// A header name that goes through the command line and back unchanged.
bool CanName(const std::string& name) {
    std::string native, back;
    return name.find('\0') == std::string::npos && toolhost::ToNativeText(name, native) &&
           toolhost::ToArchiveText(native, back) && back == name;
}

Plan Decode(fuzz::Input& input) {
    Plan plan;
    plan.pack.version = input.Byte() % 5;
    plan.pack.level = input.Byte() % 10;
    const unsigned switches = input.Byte();
    plan.byPackWriter = switches & kByPackWriter;
    plan.threads = 2 + (switches >> 1) % 4;
    const std::string headerName = input.Piece();
    const std::uint32_t number = input.U32();
    plan.named = (switches & kNamed) && plan.pack.version >= 2 && CanName(headerName);
    if (plan.named) {
        plan.pack.name = headerName;
        plan.pack.number = plan.pack.version == 2 ? number : number / 8.0;
    }
    const unsigned mask = input.Byte();
    const std::string pattern = input.Piece();
    std::string archivePattern;
    if (!pattern.empty() && pattern.find('\0') == std::string::npos && toolhost::ToArchiveText(pattern, archivePattern))
        plan.patterns.push_back(pattern);
    if (mask & kStoreAll) plan.patterns.push_back("*");

    std::size_t total = 0;
    while (!input.AtEnd() && plan.entries.size() < kMostEntries) {
        Entry entry;
        const std::string raw = input.Piece();
        const unsigned kind = input.Byte();
        const std::size_t size = input.U16();
        const std::string material = input.Piece();
        if (!Admit(raw, plan.entries, entry)) continue;
        entry.data = Data(kind, size, material).substr(0, kMostData - total);
        total += entry.data.size();
        entry.compress = (kind & kCompress) && plan.pack.version != 0;
        const bool exact = (mask >> plan.entries.size()) & 1;
        if (exact) plan.patterns.push_back(Joined(entry.native, entry.native.size(), "/"));
        entry.stored = exact || (mask & kStoreAll) || plan.pack.version == 0 || plan.pack.level == 0;
        plan.entries.push_back(entry);
    }
    std::stable_sort(plan.entries.begin(), plan.entries.end(),
                     [](const Entry& a, const Entry& b) { return pak::DirectoryOrder(a.name, b.name); });
    return plan;
}

std::string Number(double number) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", number);
    return text;
}

void PutFile(const std::string& path, const std::string& bytes) {
    toolhost::OutputFile file;
    bool exists = false;
    std::string why;
    FUZZ_CHECK(toolhost::CreateNew(path, file, exists, why) && file.Write(bytes.data(), bytes.size(), why) &&
               file.Close(why));
}

std::string ReadWhole(const std::string& path) {
    std::string bytes, why;
    FUZZ_CHECK(toolhost::ReadWholeFile(path, bytes, why));
    return bytes;
}

fuzz::PakOutput Create(const Plan& plan, unsigned threads) {
    std::vector<std::string> arguments = {"create", kArchive, "-q", "--format", std::to_string(plan.pack.version),
                                          "--level", std::to_string(plan.pack.level), "--threads",
                                          std::to_string(threads)};
    for (const std::string& pattern : plan.patterns) arguments.insert(arguments.end(), {"--store", pattern});
    if (plan.named) {
        std::string name;
        toolhost::ToNativeText(plan.pack.name, name);
        arguments.insert(arguments.end(), {"--name", name, "--number", Number(plan.pack.number)});
    }
    arguments.insert(arguments.end(), {"-C", kSource, "."});
    return fuzz::RunPak(arguments);
}

// Files below the source folder, packed with one thread and again with several.
void MakeByCreate(const Plan& plan) {
    std::string why;
    FUZZ_CHECK(toolhost::MakeFolders(kSource, why));
    for (const Entry& entry : plan.entries) {
        const std::vector<std::string> folders(entry.native.begin(), entry.native.end() - 1);
        FUZZ_CHECK(toolhost::MakeFolders(NativePath(kSource, folders), why));
        PutFile(NativePath(kSource, entry.native), entry.data);
    }
    const fuzz::PakOutput first = Create(plan, 1);
    if (plan.entries.empty()) {
        FUZZ_CHECK(first.code == 1 && ReadFile(kArchive).empty());
        return;
    }
    FUZZ_CHECK(first.code == 0);
    const std::string bytes = ReadFile(kArchive);
    FUZZ_CHECK(Create(plan, plan.threads).code == 0);
    FUZZ_CHECK(ReadFile(kArchive) == bytes);
    fuzz::RemoveNativeTree(kSource);
}

void MakeByPackWriter(const Plan& plan) {
    std::vector<packwriter::Entry> entries;
    for (const Entry& entry : plan.entries) entries.push_back({entry.name, entry.data, entry.compress});
    WriteFile(kArchive, packwriter::WritePack(plan.pack, entries));
}

const std::string kMethod = ", \"method\": \"";
const std::string kDeflate = "deflate\"";

// The header line and one row for each entry, in order, as pak list --json shows them.
void CheckListing(const Plan& plan) {
    const fuzz::PakOutput list = fuzz::RunPak({"list", kArchive, "--json"});
    FUZZ_CHECK(list.code == 0 && fuzz::IsJson(list.out));
    std::string header = "{\"format\": " + std::to_string(plan.pack.version) +
                         ", \"entryCount\": " + std::to_string(plan.entries.size());
    if (plan.pack.version >= 2)
        header += ", \"name\": " + pak::JsonString(plan.pack.name) + ", \"number\": " + Number(plan.pack.number);
    FUZZ_CHECK(list.out.compare(0, header.size(), header) == 0);
    std::size_t at = 0;
    for (const Entry& entry : plan.entries) {
        const std::string row = "\n  {\"name\": " + pak::JsonString(entry.name) +
                                ", \"size\": " + std::to_string(entry.data.size()) + ", \"stored\": ";
        at = list.out.find(row, at);
        FUZZ_CHECK(at != std::string::npos);
        at += row.size();
        const unsigned long long stored = std::strtoull(list.out.c_str() + at, nullptr, 10);
        const std::size_t method = list.out.find(kMethod, at);
        FUZZ_CHECK(method != std::string::npos);
        const bool deflated = list.out.compare(method + kMethod.size(), kDeflate.size(), kDeflate) == 0;
        FUZZ_CHECK(deflated || stored == entry.data.size());
        if (plan.byPackWriter)
            FUZZ_CHECK(deflated == entry.compress);
        else
            FUZZ_CHECK(!deflated || (!entry.stored && stored < entry.data.size()));
    }
}

void CheckExtract(const Plan& plan) {
    FUZZ_CHECK(fuzz::RunPak({"extract", kArchive, "-q", "-C", kBack}).code == 0);
    for (const Entry& entry : plan.entries) FUZZ_CHECK(ReadWhole(NativePath(kBack, entry.native)) == entry.data);
    fuzz::RemoveNativeTree(kBack);
}

// Through the game's lookup: the archive is the only file of the current folder, and its
// header name the one the lookup admits.
void CheckLookup(const Plan& plan) {
    packFiles.clear();
    packName.Assign(plan.pack.name.c_str());
    for (const Entry& entry : plan.entries) FUZZ_CHECK(fuzz::LookUpEntry(entry.name, entry.data));
}

// The folders of a run, gone by their native names however the run ends, before the scratch
// folder that holds them.
struct Folders {
    ~Folders() {
        fuzz::RemoveNativeTree(kSource);
        fuzz::RemoveNativeTree(kBack);
    }
};

void Run(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const Plan plan = Decode(input);
    if (plan.byPackWriter && plan.entries.empty()) return;
    ScratchDirectory directory;
    Folders folders;
    QuietOpen quiet;
    DialogAnswers dialogs({IDIGNORE});
    (plan.byPackWriter ? MakeByPackWriter : MakeByCreate)(plan);
    if (plan.entries.empty()) return;

    FUZZ_CHECK(fuzz::RunPak({"verify", kArchive}).code == 0);
    CheckListing(plan);
    for (const Entry& entry : plan.entries) fuzz::CheckCat(kArchive, entry.name, entry.data);
    CheckExtract(plan);
    CheckLookup(plan);
    FUZZ_CHECK(dialogs.Shown().empty());
}

std::string EntrySeed(const std::string& name, std::uint8_t kind, std::uint16_t size, const std::string& material) {
    return fuzz::Piece(name) + fuzz::Byte(kind) + fuzz::U16(size) + fuzz::Piece(material);
}

std::string Seed(std::uint8_t format, std::uint8_t switches, std::uint8_t mask, const std::string& pattern = "") {
    std::string seed = fuzz::Byte(format) + fuzz::Byte(6) + fuzz::Byte(switches) + fuzz::Piece("GAME") +
                       fuzz::U32(7) + fuzz::Byte(mask) + fuzz::Piece(pattern);
    seed += EntrySeed("GAME.INI", 1, 300, "[\x90\xdd\x92\xe8]\r\nName=Game\r\n");
    seed += EntrySeed("DATA\\A.TXT", 0, 0, "a");
    seed += EntrySeed("DATA/big.bin", 3 | kCompress, 40000, "noise");
    seed += EntrySeed("\x83\x5C\\\x95\x5C.txt", 2 | kCompress, 40000, "\x95\x5C");
    seed += EntrySeed("GAME.INI.OLD", 0, 0, "");
    return seed;
}

std::vector<std::string> Seeds() {
    std::vector<std::string> seeds;
    for (std::uint8_t format = 0; format <= 4; ++format) {
        seeds.push_back(Seed(format, kNamed, 0));
        seeds.push_back(Seed(format, kNamed | kByPackWriter, 0));
    }
    seeds.push_back(Seed(3, 0, kStoreAll));
    seeds.push_back(Seed(3, 6, 0x05, "*.bin"));
    seeds.push_back(Seed(4, kNamed, 0x02, "\xe8\xa1\xa8*"));
    return seeds;
}

[[maybe_unused]] const bool registered = fuzz::Register({"pak_roundtrip", Run, Seeds});

}  // namespace
