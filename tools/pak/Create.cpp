// pak create: files and folders into a new archive, written beside it and renamed at the end.
#include <algorithm>
#include <cmath>
#include <deque>

#include "platform/Platform.h"
#include "platform/ToolHost.h"
#include "tools/pak/Archive.h"
#include "tools/pak/Commands.h"
#include "tools/pak/Names.h"
#include "tools/packwriter/DataWriter.h"

namespace pak {

namespace {

struct Input {
    std::string name;  // the entry's name
    std::string path;  // where its bytes are
    std::uint64_t size = 0;
};

class FileSource : public packwriter::Source {
public:
    FileSource(const std::string& path, std::uint64_t size) : path(path), size(size) {}

    std::uint64_t Size() const override { return size; }

    bool Read(std::uint64_t offset, void* buffer, std::size_t count, std::string& why) const override {
        toolhost::InputFile file;
        std::size_t got = 0;
        if (!file.Open(path, why) || !file.ReadAt(offset, buffer, count, got, why)) {
            why = path + ": " + why;
            return false;
        }
        if (got != count) why = path + ": changed while it was being packed";
        return got == count;
    }

private:
    std::string path;
    std::uint64_t size;
};

// The data area, in a nameless file beside the archive until the directory is known.
class ScratchSink : public packwriter::Sink {
public:
    explicit ScratchSink(toolhost::OutputFile& file) : file(file) {}

    bool Write(const void* bytes, std::size_t count, std::string& why) override {
        if (!file.Write(bytes, count, why)) return false;
        size += count;
        return true;
    }

    bool Rewind(std::uint64_t position, std::string& why) override {
        if (!file.SeekTo(position, why)) return false;
        size = position;
        return true;
    }

    std::uint64_t size = 0;

private:
    toolhost::OutputFile& file;
};

// The new archive under a name of its own beside the old one, removed unless it is put in
// the old one's place.
class NewArchive {
public:
    explicit NewArchive(const std::string& archive) : archive(archive) {
        for (unsigned serial = 0;; ++serial) {
            path = archive + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial) + ".tmp";
            bool exists = false;
            std::string why;
            if (toolhost::CreateNew(path, file, exists, why)) return;
            if (!exists || serial == 100) throw Failure(path + ": " + why);
        }
    }
    NewArchive(const NewArchive&) = delete;
    NewArchive& operator=(const NewArchive&) = delete;
    ~NewArchive() {
        if (path.empty()) return;
        std::string ignored;
        file.Close(ignored);
        toolhost::RemoveFile(path);
    }

    void Write(const std::string& bytes) { Check(file.Write(bytes.data(), bytes.size(), why)); }
    void Append(toolhost::OutputFile& scratch, std::uint64_t size) { Check(file.AppendFrom(scratch, size, why)); }

    // On the disk first, then in the old archive's place.
    void Commit() {
        Check(file.Flush(why) && file.Close(why) && toolhost::Replace(path, archive, why));
        path.clear();
    }

private:
    void Check(bool done) const {
        if (!done) throw Failure(archive + ": " + why);
    }

    std::string archive;
    std::string path;
    std::string why;
    toolhost::OutputFile file;
};

bool HasSeparator(const std::string& name) {
    for (std::size_t at = 0; at < name.size(); at += CharacterSize(name, at))
        if (name[at] == '\\' || name[at] == '/') return true;
    return false;
}

std::string ToArchive(const std::string& native, const std::string& what) {
    std::string archive;
    if (!toolhost::ToArchiveText(native, archive)) throw UsageError(what + " cannot be written in code page 932");
    return archive;
}

// Finds the files below the paths, each with its entry name.
class Gatherer {
public:
    explicit Gatherer(const CreateOptions& options) : options(options) {
        const toolhost::PathParts archive = toolhost::SplitPath(options.archive);
        if (!archive.parts.empty()) archiveLeaf = archive.parts.back();
        toolhost::FileIdentity(options.archive, archiveIdentity);
    }

    void Add(const std::string& given) {
        const toolhost::PathParts split = toolhost::SplitPath(given);
        std::vector<std::string> parts;
        for (const std::string& part : split.parts) {
            if (part == "..") throw UsageError(given + ": a path with '..' has no entry name; name it from a folder with -C");
            if (part != ".") parts.push_back(part);
        }
        if (split.absolute) throw UsageError(given + ": an absolute path has no entry name; name it from a folder with -C");
        const std::string path = options.folder.empty() ? given : toolhost::JoinPath(options.folder, given);
        toolhost::Status status;
        std::string why;
        if (!toolhost::GetStatus(path, true, status, why)) throw Failure(path + ": " + why);
        if (status.kind == toolhost::Kind::Missing) throw Failure(path + ": no such file or folder");
        Take(path, parts, status);
    }

    std::vector<Input> inputs;

private:
    void Take(const std::string& path, const std::vector<std::string>& parts, const toolhost::Status& status) {
        switch (status.kind) {
            case toolhost::Kind::File: return AddFile(path, parts, status.size);
            case toolhost::Kind::Folder: return Walk(path, parts);
            case toolhost::Kind::Link: throw Failure(path + ": a link; pak follows no links inside folders");
            default: throw Failure(path + ": neither a file nor a folder");
        }
    }

    void Walk(const std::string& path, const std::vector<std::string>& parts) {
        std::vector<toolhost::FolderItem> items;
        std::string why;
        if (!toolhost::ListFolder(path, items, why)) throw Failure(path + ": " + why);
        for (const toolhost::FolderItem& item : items) {
            std::vector<std::string> below = parts;
            below.push_back(item.name);
            Take(toolhost::JoinPath(path, item.name), below, item.status);
        }
    }

    void AddFile(const std::string& path, const std::vector<std::string>& parts, std::uint64_t size) {
        if (IsArchive(path, parts)) return;
        if (parts.empty()) throw UsageError(path + ": a file given as '.' has no name");
        std::string name;
        for (const std::string& part : parts) {
            std::string converted;
            if (!toolhost::ToArchiveText(part, converted) || HasSeparator(converted))
                throw Failure(path + ": its name cannot be written in code page 932");
            name += (name.empty() ? "" : "\\") + converted;
        }
        std::vector<std::string> checked;
        const std::string why = CheckEntryName(name, checked);
        if (!why.empty()) throw Failure(path + ": the entry name " + Displayed(name) + " " + why);
        if (size > UINT32_MAX) throw Failure(path + ": 4 GiB or larger, more than an entry can hold");
        inputs.push_back({name, path, size});
    }

    // The archive being replaced is not packed into itself.
    bool IsArchive(const std::string& path, const std::vector<std::string>& parts) const {
        std::string identity;
        return !archiveIdentity.empty() && !parts.empty() && SameButForCase(parts.back(), archiveLeaf) &&
               toolhost::FileIdentity(path, identity) && identity == archiveIdentity;
    }

    const CreateOptions& options;
    std::string archiveLeaf;
    std::string archiveIdentity;
};

packwriter::PackOptions PackOptionsOf(const CreateOptions& options) {
    packwriter::PackOptions pack;
    pack.version = options.format;
    pack.level = options.level;
    if ((options.hasName || options.hasNumber) && options.format < 2)
        throw UsageError("format " + std::to_string(options.format) + " has no header name or number");
    pack.name = ToArchive(options.name, "--name");
    if (pack.name.size() > 255) throw UsageError("--name takes at most 255 bytes of code page 932 text");
    pack.number = options.number;
    if (options.format == 2 && (options.number < 0 || options.number > 4294967295.0 ||
                                options.number != std::floor(options.number)))
        throw UsageError("format 2 keeps --number as a whole number from 0 to 4294967295");
    return pack;
}

// In directory order; a file named twice is packed once, and names the lookup cannot tell
// apart are refused.
void Order(std::vector<Input>& inputs) {
    std::sort(inputs.begin(), inputs.end(),
              [](const Input& a, const Input& b) { return DirectoryOrder(a.name, b.name); });
    inputs.erase(std::unique(inputs.begin(), inputs.end(), [](const Input& a, const Input& b) { return a.name == b.name; }),
                 inputs.end());
    for (std::size_t i = 1; i < inputs.size(); ++i)
        if (SameButForCase(inputs[i - 1].name, inputs[i].name))
            throw Failure(inputs[i - 1].path + " and " + inputs[i].path +
                          ": their names differ only in case, which the pack lookup does not tell apart");
}

// Where the file name begins: after the last separator, found by characters, since a second
// byte 0x5C (表) is none.
std::size_t LeafStart(const std::string& name) {
    std::size_t start = 0;
    for (std::size_t at = 0; at < name.size(); at += CharacterSize(name, at))
        if (name[at] == '\\') start = at + 1;
    return start;
}

bool Stored(const std::string& name, const std::vector<std::string>& patterns) {
    const std::string leaf = name.substr(LeafStart(name));
    for (const std::string& pattern : patterns)
        if (MatchesPattern(HasSeparator(pattern) ? name : leaf, pattern)) return true;
    return false;
}

}  // namespace

int Create(const CreateOptions& options, const Console& console) {
    const packwriter::PackOptions pack = PackOptionsOf(options);
    std::vector<std::string> patterns;
    for (const std::string& pattern : options.storePatterns) patterns.push_back(RequestedName(pattern));
    Gatherer gatherer(options);
    for (const std::string& path : options.paths) gatherer.Add(path);
    std::vector<Input>& inputs = gatherer.inputs;
    Order(inputs);
    if (inputs.empty()) throw Failure(options.archive + ": nothing to pack (no files below the paths given)");

    std::deque<FileSource> sources;
    std::vector<packwriter::SourceEntry> entries;
    std::uint64_t total = 0, stored = 0;
    const bool storeAll = pack.version == 0 || pack.level == 0;
    for (const Input& input : inputs) {
        sources.emplace_back(input.path, input.size);
        const bool store = storeAll || Stored(input.name, patterns);
        entries.push_back({input.name, &sources.back(), store ? packwriter::Method::Store : packwriter::Method::Smaller});
        total += input.size;
        if (store) stored += input.size;
    }
    // What is kept as it is tells at once whether the archive could fit.
    if (stored >= kArchiveLimit)
        throw Failure(options.archive + ": would be over " + std::to_string(stored) +
                      " bytes; a pack must stay below 2 GiB");

    NewArchive archive(options.archive);
    toolhost::OutputFile scratch;
    std::string why;
    if (!toolhost::CreateScratch(options.archive, scratch, why)) throw Failure(options.archive + ": " + why);
    ScratchSink sink(scratch);
    Progress progress(console, "packing", total);
    packwriter::Pipeline pipeline;
    pipeline.threads = options.threads ? options.threads : toolhost::ProcessorCount();
    pipeline.dataLimit = kArchiveLimit - 1 - packwriter::HeaderSize(pack.version);
    pipeline.progress = [&](std::uint64_t done) { progress.Update(done); };
    pipeline.cancelled = toolhost::Interrupted;
    std::vector<packwriter::Record> records;
    std::string front;
    try {
        records = packwriter::WriteData(pack, entries, sink, pipeline);
        front = packwriter::EncodeFront(pack, static_cast<std::uint32_t>(records.size()),
                                        packwriter::EncodeDirectory(pack.version, records));
    } catch (const std::exception& error) {
        throw Failure(options.archive + ": " + error.what());
    }
    if (front.size() + sink.size >= kArchiveLimit)
        throw Failure(options.archive + ": would be " + std::to_string(front.size() + sink.size) +
                      " bytes; a pack must stay below 2 GiB");
    archive.Write(front);
    archive.Append(scratch, sink.size);
    archive.Commit();
    progress.Clear();
    if (!console.quiet)
        std::fprintf(console.out, "%s: %zu entries, %llu bytes packed into %llu\n", options.archive.c_str(),
                     records.size(), static_cast<unsigned long long>(total),
                     static_cast<unsigned long long>(front.size() + sink.size));
    return kDone;
}

}  // namespace pak
