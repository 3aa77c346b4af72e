#include "tools/packwriter/PackWriter.h"

#include <cstring>
#include <stdexcept>

#include <zlib.h>

#include "tools/packwriter/DataWriter.h"

namespace packwriter {

namespace {

std::uint32_t Size32(std::size_t size) {
    if (size != static_cast<std::uint32_t>(size)) throw std::invalid_argument("pack part of 4 GiB or more");
    return static_cast<std::uint32_t>(size);
}

class MemorySource : public Source {
public:
    explicit MemorySource(const std::string& bytes) : bytes(bytes) {}
    std::uint64_t Size() const override { return bytes.size(); }
    bool Read(std::uint64_t offset, void* buffer, std::size_t count, std::string&) const override {
        if (count > 0) std::memcpy(buffer, bytes.data() + offset, count);
        return true;
    }

private:
    const std::string& bytes;
};

class StringSink : public Sink {
public:
    explicit StringSink(std::string& bytes) : bytes(bytes) {}
    bool Write(const void* data, std::size_t size, std::string&) override {
        bytes.append(static_cast<const char*>(data), size);
        return true;
    }
    bool Rewind(std::uint64_t position, std::string&) override {
        bytes.resize(static_cast<std::size_t>(position));
        return true;
    }

private:
    std::string& bytes;
};

}  // namespace

std::uint32_t HeaderSize(std::uint32_t version) {
    switch (version) {
        case 0: return 8;
        case 1: return 16;
        case 2: return 276;
        default: return 280;
    }
}

std::uint32_t RecordSize(std::uint32_t version, const std::string& name) {
    const std::uint32_t values = version == 0 ? 3 : version == 4 ? 6 : 5;
    return 4 + Size32(name.size()) + 4 * values;
}

std::string U32(std::uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

std::string CompressWithDictionary(const std::string& bytes, const std::string& dictionary, int level) {
    z_stream stream = {};
    if (deflateInit(&stream, level) != Z_OK) throw std::invalid_argument("zlib could not start (level outside 0 to 9?)");
    deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(dictionary.data()),
                         static_cast<uInt>(dictionary.size()));
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string Noise(std::size_t size, std::uint32_t seed) {
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<char>(seed >> 23);
    }
    return bytes;
}

std::string EncodeHeader(const HeaderFields& fields) {
    if (fields.version > 4) throw std::invalid_argument("pack version above 4");
    std::string bytes = U32(fields.version) + U32(fields.entryCount);
    if (fields.version == 0) return bytes;
    bytes += U32(fields.directorySize) + U32(fields.compressedDirectorySize);
    if (fields.version == 1) return bytes;
    if (fields.version == 2) {
        if (!(fields.number >= 0.0 && fields.number <= 4294967295.0))
            throw std::invalid_argument("version 2 keeps the number as a u32");
        bytes += U32(static_cast<std::uint32_t>(fields.number));
    } else {
        std::uint64_t bits;
        std::memcpy(&bits, &fields.number, sizeof bits);
        for (int i = 0; i < 8; ++i) bytes += static_cast<char>(bits >> (8 * i));
    }
    if (fields.name.size() > 256) throw std::invalid_argument("pack name longer than 256 bytes");
    std::string name = fields.name;
    name.resize(256, '\0');
    return bytes + name;
}

std::string EncodeRecord(std::uint32_t version, const Record& record) {
    std::uint32_t values[6] = {};
    const std::uint32_t compressedSize = record.flag ? record.storedSize : 0;
    std::uint32_t count;
    switch (version) {
        case 0:
            values[0] = record.offset;
            values[2] = record.storedSize;
            count = 3;
            break;
        case 4:
            values[1] = record.offset;
            values[2] = record.size;
            values[4] = record.flag;
            values[5] = compressedSize;
            count = 6;
            break;
        default:
            values[0] = record.offset;
            values[1] = record.size;
            values[2] = record.storedSize;
            values[3] = record.flag;
            values[4] = compressedSize;
            count = 5;
            break;
    }
    std::string bytes = U32(Size32(record.name.size())) + record.name;
    for (std::uint32_t i = 0; i < count; ++i) bytes += U32(values[i]);
    return bytes;
}

Layout LayOut(const PackOptions& options, const std::vector<Entry>& entries) {
    if (options.version > 4) throw std::invalid_argument("pack version above 4");
    std::vector<MemorySource> sources;
    sources.reserve(entries.size());
    std::vector<SourceEntry> sourceEntries;
    for (const Entry& entry : entries) {
        sources.emplace_back(entry.data);
        sourceEntries.push_back({entry.name, &sources.back(), entry.compress ? Method::Deflate : Method::Store});
    }
    Layout layout;
    layout.options = options;
    StringSink sink(layout.data);
    layout.records = WriteData(options, sourceEntries, sink, Pipeline());
    return layout;
}

std::string EncodeDirectory(std::uint32_t version, const std::vector<Record>& records) {
    std::string directory;
    for (const Record& record : records) directory += EncodeRecord(version, record);
    return directory;
}

std::string EncodeFront(const PackOptions& options, std::uint32_t entryCount, const std::string& directory) {
    HeaderFields fields;
    fields.version = options.version;
    fields.entryCount = entryCount;
    fields.number = options.number;
    fields.name = options.name;
    if (fields.version == 0) return EncodeHeader(fields) + directory;
    const std::string compressedDirectory = Compress(directory, options.level);
    fields.directorySize = Size32(directory.size());
    fields.compressedDirectorySize = Size32(compressedDirectory.size());
    return EncodeHeader(fields) + compressedDirectory;
}

std::string Assemble(const PackOptions& options, std::uint32_t entryCount, const std::string& directory,
                     const std::string& data) {
    return EncodeFront(options, entryCount, directory) + data;
}

std::string WritePack(const PackOptions& options, const std::vector<Entry>& entries) {
    const Layout layout = LayOut(options, entries);
    return Assemble(options, Size32(layout.records.size()), EncodeDirectory(options.version, layout.records),
                    layout.data);
}

}  // namespace packwriter
