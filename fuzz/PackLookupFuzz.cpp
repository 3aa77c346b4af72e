// A pack archive of arbitrary bytes, alone in the current directory, looked up through
// OCFile::Open as the settings reader does; the entry found is read whole, read again after
// a seek, and read as text.
//
// Input: Piece(request) Piece(packName) Byte(seek origin) U32(seek offset), then the pack.
#include <algorithm>
#include <cstdint>

#include "files/OCFile.h"
#include "files/ProcessState.h"
#include "fuzz/Input.h"
#include "fuzz/Invariants.h"
#include "fuzz/Seeds.h"
#include "fuzz/Target.h"
#include "tests/support/Hooks.h"
#include "tests/support/Messages.h"
#include "tests/support/Scratch.h"
#include "text/OCException.h"

namespace {

const char kPack[] = "t.pak";
const std::uint32_t kChunk = 0x10000;

// The disk branch of Open reads whatever file a name reaches: the request must stay in the
// scratch directory, where only the pack lies.
bool StaysInside(const std::string& request) {
    return request.find("..") == std::string::npos && request.find_first_of(":/") == std::string::npos &&
           (request.empty() || request[0] != '\\');
}

// Up to limit bytes from where the stream stands, in chunks, as a reader that trusts no
// declared size takes them.
std::string ReadUpTo(OCFile& file, std::uint32_t limit) {
    std::string bytes;
    std::string chunk(kChunk, '\0');
    while (bytes.size() < limit) {
        const std::uint32_t asked = std::min<std::uint32_t>(kChunk, limit - static_cast<std::uint32_t>(bytes.size()));
        const std::uint32_t got = file.Read(&chunk[0], asked);
        FUZZ_CHECK(got <= asked);
        if (got == 0) break;
        bytes.append(chunk, 0, got);
    }
    return bytes;
}

// What the stream shows at position: an inflated entry its own copy, anything else the pack
// file's bytes where the runtime's 32-bit offsets reach: the low halves of baseOffset and
// the position, added in 32 bits. Where that sum is no offset fseek takes, the file stays
// where it was, and the bytes are only known to be the pack's own.
void CheckShown(const OCFile& file, const std::string& pack, const std::string& inflated, std::int64_t position,
                const std::string& bytes) {
    if (bytes.empty()) return;
    FUZZ_CHECK(position >= 0);
    if (file.memoryMode) {
        FUZZ_CHECK(static_cast<std::uint64_t>(position) <= inflated.size() &&
                   inflated.compare(static_cast<std::size_t>(position), bytes.size(), bytes) == 0);
        return;
    }
    const std::uint32_t reached = static_cast<std::uint32_t>(file.baseOffset) + static_cast<std::uint32_t>(position);
    if (reached > INT32_MAX) {
        FUZZ_CHECK(pack.find(bytes) != std::string::npos);
        return;
    }
    FUZZ_CHECK(reached <= pack.size() && pack.compare(reached, bytes.size(), bytes) == 0);
}

void Examine(OCFile& file, const std::string& request, const std::string& pack, int origin, std::int32_t offset) {
    const int opened = file.Open(request.c_str(), OCFile::ModeRead);
    FUZZ_CHECK(opened == (file.file != nullptr));
    if (!opened) return;
    FUZZ_CHECK(file.position == 0);

    const std::uint32_t size = file.GetSize();
    const std::string whole = ReadUpTo(file, size);
    // An inflated entry reports the bytes it holds; a window ends with its entry or the file.
    if (file.memoryMode) FUZZ_CHECK(whole.size() == size);
    CheckShown(file, pack, whole, 0, whole);

    file.Seek(offset, origin);
    const std::int64_t position = file.position;
    CheckShown(file, pack, whole, position, ReadUpTo(file, 64));

    file.Seek(0, SEEK_SET);
    OCString text;
    text.ReadAll(file);
    fuzz::CheckString(text);
    FUZZ_CHECK(!fuzz::HasCharacterOf(text, "\r"));
}

void Run(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::string request = input.Piece().c_str();
    const std::string admitted = input.Piece();
    const int origin = input.Byte() % 4;
    const std::int32_t offset = static_cast<std::int32_t>(input.U32());
    const std::string pack = input.Rest();
    if (!StaysInside(request)) return;

    // Current for this run only: between runs libFuzzer reads its corpus by relative paths.
    ScratchDirectory directory;
    WriteFile(kPack, pack);
    packFiles.clear();
    packName.Assign(admitted.c_str());
    QuietOpen quiet;
    DialogAnswers dialogs({IDIGNORE});
    PageLedger pages;
    {
        OCFile file;
        try {
            Examine(file, request, pack, origin, offset);
        } catch (const OCErrorException& error) {
            FUZZ_CHECK(error.message.GetText() && error.message.GetText() == kInflateFailed);
        } catch (std::uint32_t status) {
            FUZZ_CHECK(status == 0xC0000017u);
        }
    }
    FUZZ_CHECK(pages.Outstanding() == 0);
    FUZZ_CHECK(dialogs.Shown().empty());
}

std::string Seed(const std::string& request, const std::string& pack, const std::string& admitted = "",
                 int origin = SEEK_END, std::int32_t offset = 4) {
    return fuzz::Piece(request) + fuzz::Piece(admitted) + fuzz::Byte(static_cast<std::uint8_t>(origin)) +
           fuzz::U32(static_cast<std::uint32_t>(offset)) + pack;
}

std::vector<std::string> Seeds() {
    std::vector<std::string> seeds;
    const std::vector<std::string> packs = fuzz::SeedPacks();
    for (const std::string& pack : packs) seeds.push_back(Seed("GAME.INI", pack));
    const std::string& stored = packs[5];  // version 3
    const std::string& compressed = packs[6];
    for (const char* request : {"game.ini", "BIG.BIN", "READ", "", "DATA\\\\A.TXT", "GAME.*", "*"})
        seeds.push_back(Seed(request, compressed));
    for (const std::string& pack : {stored, compressed}) {
        seeds.push_back(Seed("GAME.INI", pack, "", SEEK_SET, 3));
        seeds.push_back(Seed("GAME.INI", pack, "", SEEK_CUR, -5));
        seeds.push_back(Seed("GAME.INI", pack, "", 3, 1));
    }
    const std::string& named = packs[9];
    seeds.push_back(Seed("GAME.INI", named, "game"));
    seeds.push_back(Seed("GAME.INI", named, "OTHER"));
    return seeds;
}

[[maybe_unused]] const bool registered = fuzz::Register({"pack_lookup", Run, Seeds});

}  // namespace
