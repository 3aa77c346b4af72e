#include <string>

#include "bench/Benchmarks.h"
#include "bench/CountingHeap.h"
#include "text/OCString.h"

namespace {

const char kPiece[] = "0123456789abcdef";
const int kPieceLength = 16;

// Lines of about twenty bytes, each ended by lineEnd, to about size bytes.
std::string Lines(std::uint32_t size, const std::string& lineEnd) {
    std::string text;
    for (int i = 0; text.size() < size; ++i) text += Printed("Key%05d=Value %05d", i % 100000, i % 100000) + lineEnd;
    return text;
}

std::string Replaced(std::string text, const std::string& find, const std::string& replacement) {
    for (std::size_t at = 0; (at = text.find(find, at)) != std::string::npos; at += replacement.size())
        text.replace(at, find.size(), replacement);
    return text;
}

// Builds a text of size bytes by appending 16 bytes at a time to a new string.
void StringAppend(benchmark::State& state, std::uint32_t size) {
    std::uint64_t buffers = 0;
    for (auto _ : state) {
        OCString text;
        const std::uint64_t before = ArrayAllocations();
        for (std::uint32_t appended = 0; appended < size; appended += kPieceLength) text.Append(kPiece, kPieceLength);
        buffers = ArrayAllocations() - before;
        if (static_cast<std::uint32_t>(text.length) != size) {
            state.SkipWithError("the text has the wrong length");
            break;
        }
    }
    state.counters["buffers"] = static_cast<double>(buffers);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * size);
}

// Replaces every find by replacement in a text of lines that end in find.
void StringReplace(benchmark::State& state, std::uint32_t size, const std::string& find,
                   const std::string& replacement) {
    const std::string source = Lines(size, find);
    OCString text;
    std::uint64_t buffers = 0;
    for (auto _ : state) {
        state.PauseTiming();
        text.Assign(source.c_str());
        const std::uint64_t before = ArrayAllocations();
        state.ResumeTiming();
        text.Replace(find.c_str(), replacement.c_str());
        buffers = ArrayAllocations() - before;
    }
    if (!text.GetText() || Replaced(source, find, replacement) != text.GetText())
        state.SkipWithError("the text was replaced wrongly");
    state.counters["buffers"] = static_cast<double>(buffers);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * size);
}

}  // namespace

void RegisterStringBenchmarks(const Fixtures& fixtures) {
    const std::uint32_t size = fixtures.GetScale().stringBytes;
    const std::string suffix = "/" + std::to_string(size);
    Register("StringAppend" + suffix, StringAppend, size);
    // What ReadAll does with CR LF line ends: the text shrinks, so rebuilding it never
    // outgrows the room it starts with.
    Register("StringReplaceShrinking" + suffix, StringReplace, size, std::string("\r\n"), std::string("\n"));
    // The opposite: the text grows, and beyond its starting room each 64 bytes take a new buffer.
    Register("StringReplaceGrowing" + suffix, StringReplace, size, std::string("\n"), std::string("\r\n"));
}
