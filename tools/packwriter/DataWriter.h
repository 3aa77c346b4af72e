// The data area of a pack: every entry's stored bytes in directory order, deflated by
// several threads, streamed to a sink so that no entry is held whole in memory.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/packwriter/PackWriter.h"

namespace packwriter {

// Where an entry's bytes come from. Read is called from several threads at once.
class Source {
public:
    virtual ~Source() = default;
    virtual std::uint64_t Size() const = 0;
    // Exactly count bytes from offset on; false with why set (naming the source) otherwise.
    virtual bool Read(std::uint64_t offset, void* buffer, std::size_t count, std::string& why) const = 0;
};

// Where the data area goes.
class Sink {
public:
    virtual ~Sink() = default;
    virtual bool Write(const void* bytes, std::size_t size, std::string& why) = 0;
    // Forgets what was written from position on: later writes go there.
    virtual bool Rewind(std::uint64_t position, std::string& why) = 0;
};

struct SourceEntry {
    std::string name;  // as it goes into the record
    const Source* source = nullptr;
    Method method = Method::Store;
};

struct Pipeline {
    unsigned threads = 1;  // deflating threads: the bytes written are the same for any number
    std::uint64_t dataLimit = UINT64_MAX;           // the data area stays within this many bytes
    std::function<void(std::uint64_t)> progress;   // input bytes done so far
    std::function<bool()> cancelled;               // asked between blocks
};

// A source or the sink failed, a limit was passed, or the work was cancelled.
class WriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the data area to sink and returns the entries' records, offsets counted as the
// version counts them. Throws std::invalid_argument for what the version cannot hold (as
// LayOut) and WriteError.
std::vector<Record> WriteData(const PackOptions& options, const std::vector<SourceEntry>& entries, Sink& sink,
                              const Pipeline& pipeline);

}  // namespace packwriter
