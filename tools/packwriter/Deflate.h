// The zlib streams of pack entries, made of blocks that can be deflated apart.
//
// A stream is cut into blocks of kBlockSize input bytes. Each block is deflated on its own,
// primed with the 32 KiB of input before it, and every block but the last ends on a byte
// boundary (a sync flush), so the blocks join into one zlib stream in their order whichever
// thread deflated each. The cut depends on the input alone: the same bytes always give the
// same stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

typedef struct z_stream_s z_stream;

namespace packwriter {

constexpr std::size_t kBlockSize = 512 * 1024;
// The input a block may refer back to: deflate's whole window.
constexpr std::size_t kDictionarySize = 32 * 1024;

// One deflate state, reused block after block.
class BlockDeflater {
public:
    explicit BlockDeflater(int level);  // throws std::invalid_argument outside 0 to 9
    BlockDeflater(const BlockDeflater&) = delete;
    BlockDeflater& operator=(const BlockDeflater&) = delete;
    ~BlockDeflater();

    // Appends the deflate data of one block to out. dictionary: the input just before it.
    void Deflate(const unsigned char* dictionary, std::size_t dictionarySize, const unsigned char* input,
                 std::size_t size, bool last, std::string& out);

private:
    z_stream* stream;
};

// The two bytes in front of a stream deflated at level, and the four behind it.
std::string ZlibHeader(int level);
std::string ZlibTrailer(std::uint32_t adler);
std::uint32_t Adler32(std::uint32_t adler, const unsigned char* bytes, std::size_t size);
// The Adler-32 of two pieces of input joined, from theirs and the second's length (a block's).
std::uint32_t CombineAdler32(std::uint32_t first, std::uint32_t second, std::size_t secondSize);
constexpr std::uint32_t kAdler32Start = 1;

// A whole zlib stream of bytes, its blocks deflated one after another.
std::string Compress(const std::string& bytes, int level = 6);

}  // namespace packwriter
