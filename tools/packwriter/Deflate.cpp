#include "tools/packwriter/Deflate.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace packwriter {

namespace {

const int kRawWindowBits = -15;  // deflate data without zlib's framing: the blocks bring none
const int kMemoryLevel = 8;

}  // namespace

BlockDeflater::BlockDeflater(int level) : stream(new z_stream()) {
    if (deflateInit2(stream, level, Z_DEFLATED, kRawWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK) {
        delete stream;
        throw std::invalid_argument("zlib could not compress (level outside 0 to 9?)");
    }
}

BlockDeflater::~BlockDeflater() {
    deflateEnd(stream);
    delete stream;
}

void BlockDeflater::Deflate(const unsigned char* dictionary, std::size_t dictionarySize, const unsigned char* input,
                            std::size_t size, bool last, std::string& out) {
    deflateReset(stream);
    if (dictionarySize > 0)
        deflateSetDictionary(stream, dictionary, static_cast<uInt>(dictionarySize));
    stream->next_in = const_cast<Bytef*>(input);
    stream->avail_in = static_cast<uInt>(size);
    const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    // deflateBound covers a whole stream; the sync flush adds its empty stored block.
    const std::size_t start = out.size();
    out.resize(start + deflateBound(stream, static_cast<uLong>(size)) + 16);
    for (;;) {
        stream->next_out = reinterpret_cast<Bytef*>(&out[0] + start) + stream->total_out;
        stream->avail_out = static_cast<uInt>(out.size() - start - stream->total_out);
        const int result = deflate(stream, flush);
        if (result == Z_STREAM_ERROR) throw std::runtime_error("zlib failed to compress");
        if (stream->avail_in == 0 && stream->avail_out != 0 && (!last || result == Z_STREAM_END)) break;
        out.resize(out.size() * 2);
    }
    out.resize(start + stream->total_out);
}

std::string ZlibHeader(int level) {
    // What deflate itself writes for a 32 KiB window: the level's class in FLEVEL.
    const unsigned levelClass = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    unsigned header = (Z_DEFLATED + ((15 - 8) << 4)) << 8 | levelClass << 6;
    header += 31 - header % 31;
    return std::string{static_cast<char>(header >> 8), static_cast<char>(header & 0xFF)};
}

std::string ZlibTrailer(std::uint32_t adler) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(adler >> (24 - 8 * i));
    return bytes;
}

std::uint32_t Adler32(std::uint32_t adler, const unsigned char* bytes, std::size_t size) {
    // adler32 takes at most a uInt at a time.
    while (size > 0) {
        const uInt piece = static_cast<uInt>(size < 0x40000000u ? size : 0x40000000u);
        adler = static_cast<std::uint32_t>(adler32(adler, bytes, piece));
        bytes += piece;
        size -= piece;
    }
    return adler;
}

std::uint32_t CombineAdler32(std::uint32_t first, std::uint32_t second, std::size_t secondSize) {
    return static_cast<std::uint32_t>(adler32_combine(first, second, static_cast<z_off_t>(secondSize)));
}

std::string Compress(const std::string& bytes, int level) {
    BlockDeflater deflater(level);
    const auto* input = reinterpret_cast<const unsigned char*>(bytes.data());
    std::string out = ZlibHeader(level);
    std::size_t offset = 0;
    do {
        const std::size_t size = std::min(kBlockSize, bytes.size() - offset);
        const std::size_t dictionarySize = std::min(kDictionarySize, offset);
        deflater.Deflate(input + offset - dictionarySize, dictionarySize, input + offset, size,
                         offset + size == bytes.size(), out);
        offset += size;
    } while (offset < bytes.size());
    return out + ZlibTrailer(Adler32(kAdler32Start, input, bytes.size()));
}

}  // namespace packwriter
