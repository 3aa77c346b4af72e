#include "tools/packwriter/DataWriter.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "tools/packwriter/Deflate.h"

namespace packwriter {

namespace {

// A piece of one entry's input, worked on by whichever thread takes it.
struct Block {
    std::size_t entry;
    std::uint64_t offset;
    std::size_t size;
    bool last;  // of its entry
};

// A block once worked on: its deflate data, or its input for a stored entry.
struct Piece {
    std::string bytes;
    std::uint32_t adler = kAdler32Start;  // of the block's input
    std::string error;
    bool ready = false;
};

// Deflating at level 0 never makes anything smaller, nor does it an empty entry; version 0
// has no compressed entries at all.
Method Resolve(const PackOptions& options, const SourceEntry& entry) {
    if (entry.source->Size() > UINT32_MAX)
        throw std::invalid_argument("the entry " + entry.name + " holds 4 GiB or more");
    if (entry.method == Method::Deflate && options.version == 0)
        throw std::invalid_argument("version 0 stores entries plain");
    if (entry.method == Method::Smaller &&
        (options.version == 0 || options.level == 0 || entry.source->Size() == 0))
        return Method::Store;
    return entry.method;
}

class Workshop {
public:
    Workshop(const PackOptions& options, const std::vector<SourceEntry>& entries, const Pipeline& pipeline);
    Workshop(const Workshop&) = delete;
    Workshop& operator=(const Workshop&) = delete;
    ~Workshop();

    std::vector<Record> Run(Sink& sink);

private:
    void Work();
    void Process(const Block& block, std::unique_ptr<BlockDeflater>& deflater, std::vector<unsigned char>& input,
                 Piece& piece) const;
    Piece Take(std::size_t index);
    Record WriteEntry(std::size_t entry, std::size_t& nextBlock, Sink& sink);
    void CopyPlain(const SourceEntry& entry, Sink& sink);
    void Put(Sink& sink, const void* bytes, std::size_t size);
    void Rewind(Sink& sink, std::uint64_t position);

    const PackOptions& options;
    const std::vector<SourceEntry>& entries;
    const Pipeline& pipeline;
    const unsigned threadCount;
    std::vector<Method> methods;
    std::vector<Block> blocks;
    std::uint64_t firstOffset = 0;
    std::uint64_t written = 0;  // bytes of the data area so far
    std::uint64_t inputDone = 0;

    std::mutex mutex;
    std::condition_variable canTake;
    std::condition_variable pieceReady;
    std::vector<Piece> pieces;  // a window of blocks: block i in slot i % size
    std::size_t next = 0;       // the next block to take
    std::size_t released = 0;   // blocks the writer has taken out of the window
    bool stopping = false;
    std::vector<std::thread> threads;
};

Workshop::Workshop(const PackOptions& options, const std::vector<SourceEntry>& entries, const Pipeline& pipeline)
    : options(options), entries(entries), pipeline(pipeline), threadCount(std::max(1u, pipeline.threads)) {
    if (options.level < 0 || options.level > 9) throw std::invalid_argument("zlib levels are 0 to 9");
    if (options.version == 0) {
        firstOffset = HeaderSize(0);
        for (const SourceEntry& entry : entries) firstOffset += RecordSize(0, entry.name);
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        methods.push_back(Resolve(options, entries[i]));
        const std::uint64_t size = entries[i].source->Size();
        // A deflated entry has at least one block, if only to end its stream.
        std::uint64_t offset = 0;
        while (offset < size || (offset == 0 && methods[i] != Method::Store)) {
            const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize, size - offset));
            blocks.push_back({i, offset, piece, offset + piece == size});
            offset += piece;
            if (piece == 0) break;
        }
    }
    // Deep enough that threads on small files do not wait for the writer to be scheduled;
    // a block holds at most about kBlockSize bytes.
    pieces.resize(32 * threadCount);
}

Workshop::~Workshop() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    canTake.notify_all();
    for (std::thread& thread : threads) thread.join();
}

void Workshop::Work() {
    std::unique_ptr<BlockDeflater> deflater;  // made by the first block that needs it
    std::vector<unsigned char> input;
    for (;;) {
        std::size_t index;
        {
            std::unique_lock<std::mutex> lock(mutex);
            canTake.wait(lock, [&] { return stopping || next == blocks.size() || next < released + pieces.size(); });
            if (stopping || next == blocks.size()) return;
            index = next++;
        }
        Piece piece;
        try {
            Process(blocks[index], deflater, input, piece);
        } catch (const std::exception& error) {
            piece.error = error.what();
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            piece.ready = true;
            pieces[index % pieces.size()] = std::move(piece);
        }
        pieceReady.notify_all();
    }
}

void Workshop::Process(const Block& block, std::unique_ptr<BlockDeflater>& deflater,
                       std::vector<unsigned char>& input, Piece& piece) const {
    const Source& source = *entries[block.entry].source;
    if (methods[block.entry] == Method::Store) {
        piece.bytes.resize(block.size);
        source.Read(block.offset, &piece.bytes[0], block.size, piece.error);
        return;
    }
    const std::size_t dictionary = static_cast<std::size_t>(std::min<std::uint64_t>(kDictionarySize, block.offset));
    input.resize(dictionary + block.size);
    if (!source.Read(block.offset - dictionary, input.data(), input.size(), piece.error)) return;
    piece.adler = Adler32(kAdler32Start, input.data() + dictionary, block.size);
    if (!deflater) deflater.reset(new BlockDeflater(options.level));
    deflater->Deflate(input.data(), dictionary, input.data() + dictionary, block.size, block.last, piece.bytes);
}

Piece Workshop::Take(std::size_t index) {
    Piece piece;
    {
        std::unique_lock<std::mutex> lock(mutex);
        Piece& slot = pieces[index % pieces.size()];
        pieceReady.wait(lock, [&] { return slot.ready; });
        piece = std::move(slot);
        slot = Piece();
        ++released;
    }
    canTake.notify_all();
    if (!piece.error.empty()) throw WriteError(piece.error);
    return piece;
}

std::vector<Record> Workshop::Run(Sink& sink) {
    // Started once the workshop is whole, so that its destructor always joins them.
    for (unsigned i = 0; i < threadCount; ++i) threads.emplace_back(&Workshop::Work, this);
    std::vector<Record> records;
    std::size_t nextBlock = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) records.push_back(WriteEntry(i, nextBlock, sink));
    return records;
}

Record Workshop::WriteEntry(std::size_t entry, std::size_t& nextBlock, Sink& sink) {
    const SourceEntry& source = entries[entry];
    const std::uint64_t size = source.source->Size();
    const bool deflated = methods[entry] != Method::Store;
    const std::uint64_t start = written;
    std::uint32_t adler = kAdler32Start;
    if (deflated) {
        const std::string header = ZlibHeader(options.level);
        Put(sink, header.data(), header.size());
    }
    for (; nextBlock < blocks.size() && blocks[nextBlock].entry == entry; ++nextBlock) {
        if (pipeline.cancelled && pipeline.cancelled()) throw WriteError("interrupted");
        const Piece piece = Take(nextBlock);
        Put(sink, piece.bytes.data(), piece.bytes.size());
        adler = CombineAdler32(adler, piece.adler, blocks[nextBlock].size);
        inputDone += blocks[nextBlock].size;
        if (pipeline.progress) pipeline.progress(inputDone);
    }
    if (deflated) {
        const std::string trailer = ZlibTrailer(adler);
        Put(sink, trailer.data(), trailer.size());
    }
    bool compressed = deflated;
    if (methods[entry] == Method::Smaller && written - start >= size) {
        Rewind(sink, start);
        CopyPlain(source, sink);
        compressed = false;
    }
    Record record;
    record.name = source.name;
    record.offset = static_cast<std::uint32_t>(firstOffset + start);
    record.size = static_cast<std::uint32_t>(size);
    record.storedSize = static_cast<std::uint32_t>(written - start);
    record.flag = compressed ? 1 : 0;
    return record;
}

// An entry that deflating did not make smaller, read again and kept as it is.
void Workshop::CopyPlain(const SourceEntry& entry, Sink& sink) {
    std::vector<unsigned char> chunk(kBlockSize);
    const std::uint64_t size = entry.source->Size();
    for (std::uint64_t offset = 0; offset < size;) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size - offset));
        std::string why;
        if (!entry.source->Read(offset, chunk.data(), piece, why)) throw WriteError(why);
        Put(sink, chunk.data(), piece);
        offset += piece;
    }
}

// Offsets are u32 in every version; the caller may set a lower limit.
void Workshop::Put(Sink& sink, const void* bytes, std::size_t size) {
    std::string why;
    if (firstOffset + written + size > UINT32_MAX || written + size > pipeline.dataLimit)
        throw WriteError("the pack would grow past its size limit");
    if (!sink.Write(bytes, size, why)) throw WriteError(why);
    written += size;
}

void Workshop::Rewind(Sink& sink, std::uint64_t position) {
    std::string why;
    if (!sink.Rewind(position, why)) throw WriteError(why);
    written = position;
}

}  // namespace

std::vector<Record> WriteData(const PackOptions& options, const std::vector<SourceEntry>& entries, Sink& sink,
                              const Pipeline& pipeline) {
    Workshop workshop(options, entries, pipeline);
    return workshop.Run(sink);
}

}  // namespace packwriter
