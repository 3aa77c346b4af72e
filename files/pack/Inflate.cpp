#include <zlib.h>

#include <algorithm>

#include "files/OCFile.h"
#include "text/OCException.h"

namespace {

// "データ解凍に失敗しました。" (Decompressing the data failed.)
const char kInflateFailed[] =
    "\x83\x66\x81\x5b\x83\x5e\x89\xf0\x93\x80\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";

const std::uint32_t kChunkSize = 4096;

[[noreturn]] void Fail() { throw OCErrorException(kInflateFailed); }

}  // namespace

std::uint32_t OCFile::Inflate(std::uint32_t compressedSize, void* destination, std::uint32_t size) {
    unsigned char chunk[kChunkSize];
    z_stream stream = {};
    // zlib sees only the bytes the stream delivered: a pack that ends early gives a
    // truncated zlib stream, never the chunk's stale bytes.
    stream.next_in = chunk;
    stream.avail_in = Read(chunk, std::min(compressedSize, kChunkSize));
    const bool anyInput = compressedSize != 0;
    stream.next_out = static_cast<Bytef*>(destination);
    stream.avail_out = size;
    if (inflateInit_(&stream, "1.2.3", static_cast<int>(sizeof(z_stream))) != Z_OK) Fail();

    int result = Z_OK;
    while (anyInput) {
        result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_STREAM_END) break;
        // Z_BUF_ERROR is no progress: input used up within compressedSize, or output full.
        if (result != Z_OK) {
            inflateEnd(&stream);
            Fail();
        }
        if (stream.avail_in == 0) {
            const std::uint32_t left = compressedSize - static_cast<std::uint32_t>(stream.total_in);
            stream.next_in = chunk;
            stream.avail_in = Read(chunk, std::min(left, kChunkSize));
        }
    }
    // Every Z_OK means progress over finite input and output, so this ends.
    while (result == Z_OK) result = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    if (result != Z_STREAM_END) Fail();
    return static_cast<std::uint32_t>(stream.total_out);
}
