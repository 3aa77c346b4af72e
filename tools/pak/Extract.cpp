// pak cat and pak extract: entries by their exact names, to standard output or to files
// below a folder that nothing written may leave.
#include "platform/ToolHost.h"
#include "tools/pak/Archive.h"
#include "tools/pak/Commands.h"
#include "tools/pak/Names.h"

namespace pak {

namespace {

std::vector<ArchiveEntry> ReadWholeDirectory(Archive& archive) {
    std::string problem;
    std::vector<ArchiveEntry> entries = archive.ReadDirectory(problem);
    if (!problem.empty()) throw Failure(archive.Path() + ": " + problem);
    return entries;
}

// The first character boundary of name at or after at.
std::size_t BoundaryFrom(const std::string& name, std::size_t at) {
    std::size_t boundary = 0;
    while (boundary < at && boundary < name.size()) boundary += CharacterSize(name, boundary);
    return boundary;
}

// The entry itself, or one inside the folder of that name.
bool Selects(const std::string& request, const std::string& name) {
    if (SameButForCase(request, name)) return true;
    const std::size_t length = request.size();
    return name.size() > length && BoundaryFrom(name, length) == length && name[length] == '\\' &&
           SameButForCase(request, name.substr(0, length));
}

std::vector<ArchiveEntry> Select(const Archive& archive, const std::vector<ArchiveEntry>& entries,
                                 const std::vector<std::string>& requests) {
    if (requests.empty()) return entries;
    std::vector<std::string> names;
    for (const std::string& request : requests) names.push_back(RequestedName(request));
    std::vector<bool> found(names.size());
    std::vector<ArchiveEntry> selected;
    for (const ArchiveEntry& entry : entries) {
        const std::string typed = AsTyped(entry.name);
        bool wanted = false;
        for (std::size_t i = 0; i < names.size(); ++i)
            if (Selects(names[i], typed)) wanted = found[i] = true;
        if (wanted) selected.push_back(entry);
    }
    for (std::size_t i = 0; i < names.size(); ++i)
        if (!found[i]) throw Failure(archive.Path() + ": no entry named " + requests[i]);
    return selected;
}

// Every name is checked before anything is written: a hostile archive leaves nothing behind.
std::vector<std::vector<std::string>> SafePaths(const Archive& archive, const std::vector<ArchiveEntry>& entries) {
    std::vector<std::vector<std::string>> paths;
    for (const ArchiveEntry& entry : entries) {
        std::vector<std::string> parts;
        const std::string why = CheckExtractPath(entry.name, parts);
        if (!why.empty()) throw Failure(archive.About(entry) + "refused: the name " + why);
        paths.push_back(parts);
    }
    return paths;
}

void ExtractOne(Archive& archive, const ArchiveEntry& entry, const std::vector<std::string>& parts,
                toolhost::Destination& destination, bool force) {
    toolhost::OutputFile file;
    std::string why;
    switch (destination.Create(parts, force, file, why)) {
        case toolhost::Destination::Result::Created: break;
        case toolhost::Destination::Result::Exists:
            throw Failure(archive.About(entry) + "a file is there already (--force replaces it)");
        case toolhost::Destination::Result::Link:
            throw Failure(archive.About(entry) + "refused: a link stands on its way, and pak follows no links");
        case toolhost::Destination::Result::Failed: throw Failure(archive.About(entry) + why);
    }
    try {
        archive.ReadEntry(entry, [&](const void* bytes, std::size_t size) {
            if (!file.Write(bytes, size, why)) throw Failure(archive.About(entry) + why);
        });
        if (!file.Close(why)) throw Failure(archive.About(entry) + why);
    } catch (const Failure&) {
        file.Close(why);
        destination.Remove(parts);
        throw;
    }
}

}  // namespace

std::string RequestedName(const std::string& native) {
    std::string name;
    if (!toolhost::ToArchiveText(native, name)) throw UsageError(native + ": cannot be written in code page 932");
    for (std::size_t at = 0; at < name.size(); at += CharacterSize(name, at))
        if (name[at] == '/') name[at] = '\\';
    return name;
}

int Cat(const std::string& path, const std::string& request, const Console& console) {
    Archive archive(path);
    const std::string name = RequestedName(request);
    for (const ArchiveEntry& entry : ReadWholeDirectory(archive)) {
        if (!SameButForCase(name, AsTyped(entry.name))) continue;
        toolhost::UseBinaryMode(console.out);
        archive.ReadEntry(entry, [&](const void* bytes, std::size_t size) {
            if (std::fwrite(bytes, 1, size, console.out) != size) throw Failure("standard output: cannot be written");
        });
        if (std::fflush(console.out) != 0) throw Failure("standard output: cannot be written");
        return kDone;
    }
    throw Failure(path + ": no entry named " + request);
}

int Extract(const ExtractOptions& options, const Console& console) {
    Archive archive(options.archive);
    const std::vector<ArchiveEntry> entries = Select(archive, ReadWholeDirectory(archive), options.names);
    const std::vector<std::vector<std::string>> paths = SafePaths(archive, entries);
    toolhost::Destination destination;
    std::string why;
    if (!destination.Open(options.folder, why)) throw Failure(options.folder + ": " + why);
    std::uint64_t total = 0, done = 0;
    for (const ArchiveEntry& entry : entries) total += entry.size;
    Progress progress(console, "unpacking", total);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (toolhost::Interrupted()) throw Failure(options.archive + ": interrupted");
        ExtractOne(archive, entries[i], paths[i], destination, options.force);
        progress.Update(done += entries[i].size);
    }
    return kDone;
}

}  // namespace pak
