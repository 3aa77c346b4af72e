// OCFile::Inflate against zlib's one-call uncompress2 over the same bytes: the same verdict
// and, on success, the same output, with nothing written behind it. Inflate reads its input
// in 4096-byte chunks from a stream; uncompress2 takes it whole, so any difference is a fault
// of the chunked loop.
//
// Input: U32(room, taken modulo 1 MiB + 1) Byte(signed difference of compressedSize from the
// stream's length), then the stream.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "files/OCFile.h"
#include "fuzz/Input.h"
#include "fuzz/Target.h"
#include "text/OCException.h"
#include "tools/packwriter/PackWriter.h"

namespace {

const std::uint32_t kMostRoom = 1 << 20;
const std::size_t kGuard = 64;
const unsigned char kUnwritten = 0xCC;

void Run(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::uint32_t room = input.U32() % (kMostRoom + 1);
    const int difference = static_cast<std::int8_t>(input.Byte());
    std::string stream = input.Rest();
    const std::int64_t declared = static_cast<std::int64_t>(stream.size()) + difference;
    const std::uint32_t compressedSize = declared < 0 ? 0 : static_cast<std::uint32_t>(declared);

    // Both outputs are kept from run to run: fresh megabytes for every run cost more than
    // the decompression.
    static std::vector<unsigned char> ours(kMostRoom + kGuard);
    static std::vector<unsigned char> theirs(kMostRoom + 1);
    std::fill(ours.begin(), ours.begin() + room + kGuard, kUnwritten);

    OCFile file;
    file.OpenMemory(&stream[0], static_cast<std::uint32_t>(stream.size()));
    bool inflated = true;
    std::uint32_t produced = 0;
    try {
        produced = file.Inflate(compressedSize, ours.data(), room);
    } catch (const OCErrorException&) {
        inflated = false;
    }

    uLongf theirLength = room;
    uLong sourceLength = std::min<uLong>(compressedSize, static_cast<uLong>(stream.size()));
    const int verdict =
        uncompress2(theirs.data(), &theirLength, reinterpret_cast<const Bytef*>(stream.data()), &sourceLength);

    FUZZ_CHECK(inflated == (verdict == Z_OK));
    if (!inflated) return;
    FUZZ_CHECK(produced == theirLength);
    FUZZ_CHECK(std::memcmp(ours.data(), theirs.data(), produced) == 0);
    for (std::size_t i = produced; i < room + kGuard; ++i) FUZZ_CHECK(ours[i] == kUnwritten);
}

std::string Seed(std::uint32_t room, int difference, const std::string& stream) {
    return fuzz::U32(room) + fuzz::Byte(static_cast<std::uint8_t>(difference)) + stream;
}

std::vector<std::string> Seeds() {
    const std::string text = "[\x90\xdd\x92\xe8]\r\nName=Game\r\n";
    const std::string noise = packwriter::Noise(5000, 11);
    const std::string mixed = noise + std::string(3000, 'x') + text;
    const auto size = [](const std::string& bytes) { return static_cast<std::uint32_t>(bytes.size()); };
    return {
        Seed(0, 0, packwriter::Compress("")),
        Seed(size(text), 0, packwriter::Compress(text)),
        Seed(size(text) - 1, 0, packwriter::Compress(text)),
        Seed(size(text) + 100, 8, packwriter::Compress(text) + "trailing"),
        Seed(size(text), -1, packwriter::Compress(text)),
        Seed(size(noise), 0, packwriter::Compress(noise, 0)),
        Seed(size(mixed), 0, packwriter::Compress(mixed, 9)),
        Seed(size(mixed), 0, packwriter::Compress(mixed, 1).substr(0, 4100)),
        Seed(64, 0, packwriter::CompressWithDictionary("dictionary dictionary", "dictionary")),
    };
}

[[maybe_unused]] const bool registered = fuzz::Register({"inflate", Run, Seeds});

}  // namespace
