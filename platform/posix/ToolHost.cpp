// The tools' needs on Linux: UTF-8 names converted with iconv, descriptors relative to a
// folder for writing without following links.
#include "platform/ToolHost.h"

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace toolhost {

namespace {

std::string Describe(int error) { return std::strerror(error); }

std::string LastError() { return Describe(errno); }

// One converter per direction and thread: opening one costs more than converting a name.
class Converter {
public:
    Converter(const char* to, const char* from) : converter(::iconv_open(to, from)) {}
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() {
        if (converter != reinterpret_cast<iconv_t>(-1)) ::iconv_close(converter);
    }

    bool Convert(const std::string& in, std::string& out) {
        if (converter == reinterpret_cast<iconv_t>(-1)) return false;
        ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
        std::string source = in;
        std::string converted(in.size() * 4 + 4, '\0');
        char* input = &source[0];
        char* output = &converted[0];
        std::size_t inputLeft = source.size(), outputLeft = converted.size();
        if (::iconv(converter, &input, &inputLeft, &output, &outputLeft) == static_cast<std::size_t>(-1)) return false;
        converted.resize(converted.size() - outputLeft);
        out = converted;
        return true;
    }

private:
    iconv_t converter;
};

Converter& ToArchive() {
    thread_local Converter converter("CP932", "UTF-8");
    return converter;
}

Converter& FromArchive() {
    thread_local Converter converter("UTF-8", "CP932");
    return converter;
}

bool Convert(Converter& converter, const std::string& in, std::string& out) {
    if (in.empty()) {
        out.clear();
        return true;
    }
    return converter.Convert(in, out);
}

Kind KindOf(const struct stat& status) {
    if (S_ISREG(status.st_mode)) return Kind::File;
    if (S_ISDIR(status.st_mode)) return Kind::Folder;
    if (S_ISLNK(status.st_mode)) return Kind::Link;
    return Kind::Other;
}

Status StatusOf(const struct stat& status) {
    Status result;
    result.kind = KindOf(status);
    if (result.kind == Kind::File) result.size = static_cast<std::uint64_t>(status.st_size);
    return result;
}

int Descriptor(std::intptr_t handle) { return static_cast<int>(handle); }

bool WriteAll(int descriptor, const void* bytes, std::size_t size, std::string& why) {
    const char* next = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t wrote = ::write(descriptor, next, size);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            why = wrote < 0 ? LastError() : Describe(ENOSPC);
            return false;
        }
        next += wrote;
        size -= static_cast<std::size_t>(wrote);
    }
    return true;
}

bool CloseDescriptor(std::intptr_t& handle, std::string& why) {
    if (handle == -1) return true;
    const int result = ::close(Descriptor(handle));
    handle = -1;
    if (result != 0) why = LastError();
    return result == 0;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

volatile sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

}  // namespace

bool ToArchiveText(const std::string& native, std::string& archive) {
    return Convert(ToArchive(), native, archive);
}

bool ToNativeText(const std::string& archive, std::string& native) { return ToUtf8(archive, native); }

bool ToUtf8(const std::string& archive, std::string& utf8) { return Convert(FromArchive(), archive, utf8); }

PathParts SplitPath(const std::string& path) {
    PathParts split;
    split.absolute = !path.empty() && path[0] == '/';
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) split.parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return split;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

bool GetStatus(const std::string& path, bool followLink, Status& status, std::string& why) {
    struct stat found;
    const int result = followLink ? ::stat(path.c_str(), &found) : ::lstat(path.c_str(), &found);
    if (result != 0) {
        status = Status();
        if (errno == ENOENT || errno == ENOTDIR) return true;
        why = LastError();
        return false;
    }
    status = StatusOf(found);
    return true;
}

bool ListFolder(const std::string& path, std::vector<FolderItem>& items, std::string& why) {
    DIR* folder = ::opendir(path.c_str());
    if (!folder) {
        why = LastError();
        return false;
    }
    bool complete = true;
    errno = 0;
    while (const dirent* item = ::readdir(folder)) {
        const std::string name = item->d_name;
        if (name == "." || name == "..") continue;
        struct stat found;
        if (::fstatat(::dirfd(folder), item->d_name, &found, AT_SYMLINK_NOFOLLOW) != 0) {
            why = JoinPath(path, name) + ": " + LastError();
            complete = false;
            break;
        }
        items.push_back({name, StatusOf(found)});
        errno = 0;
    }
    if (complete && errno != 0) {
        why = LastError();
        complete = false;
    }
    ::closedir(folder);
    return complete;
}

bool FileIdentity(const std::string& path, std::string& identity) {
    struct stat found;
    if (::stat(path.c_str(), &found) != 0) return false;
    identity = std::to_string(found.st_dev) + ":" + std::to_string(found.st_ino);
    return true;
}

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const std::string& path, std::string& why) {
    Close();
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        why = LastError();
        return false;
    }
    handle = descriptor;
    return true;
}

bool InputFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got, std::string& why) {
    got = 0;
    while (got < count) {
        const ssize_t read = ::pread(Descriptor(handle), static_cast<char*>(buffer) + got, count - got,
                                     static_cast<off_t>(offset + got));
        if (read < 0 && errno == EINTR) continue;
        if (read < 0) {
            why = LastError();
            return false;
        }
        if (read == 0) break;
        got += static_cast<std::size_t>(read);
    }
    return true;
}

void InputFile::Close() {
    std::string ignored;
    CloseDescriptor(handle, ignored);
}

OutputFile::~OutputFile() {
    std::string ignored;
    CloseDescriptor(handle, ignored);
}

bool OutputFile::Write(const void* bytes, std::size_t size, std::string& why) {
    if (hooks().write && !hooks().write(size)) {
        why = Describe(EIO);
        return false;
    }
    return WriteAll(Descriptor(handle), bytes, size, why);
}

bool OutputFile::SeekTo(std::uint64_t position, std::string& why) {
    if (::lseek(Descriptor(handle), static_cast<off_t>(position), SEEK_SET) < 0) {
        why = LastError();
        return false;
    }
    return true;
}

bool OutputFile::AppendFrom(OutputFile& source, std::uint64_t size, std::string& why) {
    // The kernel copies without the bytes passing through here, where it can, piece by piece
    // so that writing them to the disk starts while the copy goes on and Flush waits less.
    const std::size_t piece = 32 << 20;
    loff_t from = 0;
    while (static_cast<std::uint64_t>(from) < size) {
        const ssize_t copied = ::copy_file_range(
            Descriptor(source.handle), &from, Descriptor(handle), nullptr,
            static_cast<std::size_t>(std::min<std::uint64_t>(piece, size - static_cast<std::uint64_t>(from))), 0);
        if (copied > 0) ::sync_file_range(Descriptor(handle), 0, 0, SYNC_FILE_RANGE_WRITE);
        if (copied > 0 || (copied < 0 && errno == EINTR)) continue;
        if (copied == 0) break;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) {
            why = LastError();
            return false;
        }
        break;
    }
    std::vector<char> chunk(1 << 20);
    while (static_cast<std::uint64_t>(from) < size) {
        const std::size_t want = static_cast<std::size_t>(
            std::min<std::uint64_t>(chunk.size(), size - static_cast<std::uint64_t>(from)));
        const ssize_t read = ::pread(Descriptor(source.handle), chunk.data(), want, from);
        if (read < 0 && errno == EINTR) continue;
        if (read <= 0) {
            why = read < 0 ? LastError() : "the scratch file ended early";
            return false;
        }
        if (!Write(chunk.data(), static_cast<std::size_t>(read), why)) return false;
        from += read;
    }
    return true;
}

bool OutputFile::Flush(std::string& why) {
    if (::fsync(Descriptor(handle)) == 0) return true;
    why = LastError();
    return false;
}

bool OutputFile::Close(std::string& why) { return CloseDescriptor(handle, why); }

bool CreateNew(const std::string& path, OutputFile& file, bool& exists, std::string& why) {
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    exists = descriptor < 0 && errno == EEXIST;
    if (descriptor < 0) {
        why = LastError();
        return false;
    }
    file.handle = descriptor;
    return true;
}

bool CreateScratch(const std::string& nearPath, OutputFile& file, std::string& why) {
    const std::string folder = FolderOf(nearPath);
    int descriptor = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (descriptor < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        why = LastError();
        return false;
    }
    if (descriptor < 0) {
        // No nameless files on this file system: a named one, unnamed at once.
        std::string name = JoinPath(folder, ".pak-scratch-XXXXXX");
        descriptor = ::mkostemp(&name[0], O_CLOEXEC);
        if (descriptor < 0) {
            why = LastError();
            return false;
        }
        ::unlink(name.c_str());
    }
    file.handle = descriptor;
    return true;
}

bool Replace(const std::string& from, const std::string& to, std::string& why) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    why = LastError();
    return false;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool RemoveFolder(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

bool MakeFolders(const std::string& path, std::string& why) {
    // Each folder on the way, then the path itself; one that could not be made shows at the end.
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0777);
    ::mkdir(path.c_str(), 0777);
    struct stat found;
    const bool there = ::stat(path.c_str(), &found) == 0;
    if (there && S_ISDIR(found.st_mode)) return true;
    why = path + ": " + (there ? Describe(ENOTDIR) : LastError());
    return false;
}

Destination::~Destination() {
    std::string ignored;
    CloseDescriptor(cachedHandle, ignored);
    CloseDescriptor(rootHandle, ignored);
}

bool Destination::Open(const std::string& folder, std::string& why) {
    if (!MakeFolders(folder, why)) return false;
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        why = LastError();
        return false;
    }
    root = folder;
    rootHandle = descriptor;
    return true;
}

namespace {

// The folder below parent, made when missing; a link there is never entered.
Destination::Result EnterFolder(int parent, const std::string& name, int& folder, std::string& why) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        folder = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (folder >= 0) return Destination::Result::Created;
        // With O_DIRECTORY a link reports ENOTDIR, like a file in the way.
        const int error = errno;
        struct stat found;
        if (error == ELOOP || (error == ENOTDIR && ::fstatat(parent, name.c_str(), &found, AT_SYMLINK_NOFOLLOW) == 0 &&
                               S_ISLNK(found.st_mode)))
            return Destination::Result::Link;
        if (error == ENOTDIR) {
            why = "a file stands where a folder goes";
            return Destination::Result::Failed;
        }
        if (error != ENOENT || (::mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST)) break;
    }
    why = LastError();
    return Destination::Result::Failed;
}

}  // namespace

Destination::Result Destination::Create(const std::vector<std::string>& parts, bool replace, OutputFile& file,
                                        std::string& why) {
    const std::vector<std::string> folderParts(parts.begin(), parts.end() - 1);
    if (cachedHandle == -1 || folderParts != cachedFolder) {
        CloseDescriptor(cachedHandle, why);
        int folder = ::dup(Descriptor(rootHandle));
        for (const std::string& part : folderParts) {
            int next = -1;
            const Result entered = EnterFolder(folder, part, next, why);
            ::close(folder);
            if (entered != Result::Created) return entered;
            folder = next;
        }
        cachedHandle = folder;
        cachedFolder = folderParts;
    }
    const int folder = Descriptor(cachedHandle);
    const char* leaf = parts.back().c_str();
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int descriptor = ::openat(folder, leaf, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            file.handle = descriptor;
            return Result::Created;
        }
        struct stat found;
        if (errno != EEXIST || ::fstatat(folder, leaf, &found, AT_SYMLINK_NOFOLLOW) != 0) break;
        if (S_ISDIR(found.st_mode)) {
            why = "a folder stands where the file goes";
            return Result::Failed;
        }
        if (!replace) return S_ISLNK(found.st_mode) ? Result::Link : Result::Exists;
        // Unlinking takes the link itself away, never what it points to.
        if (::unlinkat(folder, leaf, 0) != 0) break;
    }
    why = LastError();
    return Result::Failed;
}

void Destination::Remove(const std::vector<std::string>& parts) {
    if (!parts.empty() && cachedHandle != -1 && std::vector<std::string>(parts.begin(), parts.end() - 1) == cachedFolder)
        ::unlinkat(Descriptor(cachedHandle), parts.back().c_str(), 0);
}

unsigned ProcessorCount() {
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) == 0) return static_cast<unsigned>(CPU_COUNT(&set));
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<unsigned>(online) : 1;
}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

void UseBinaryMode(std::FILE*) {}

void CatchInterrupts() {
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESETHAND;  // a second interrupt ends the process as usual
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool Interrupted() { return interrupted != 0; }

}  // namespace toolhost
