// Windows paths and names at the boundary to the host's file system.
//
// Drive Z: is the host's root: "Z:\a", "z:/a" and the root-relative "\a" are "/a"; other
// paths are relative to the current directory. Both separators are accepted, and a
// two-byte character of code page 932 is never split, so its second byte 0x5C stays part of
// the name. Names match without regard to case as on Windows: when the exact host path is
// missing, each component is looked up among its directory's entries with A-Z folded.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/Platform.h"

namespace posix {

// Bytes of the code page 932 character at text: 2 for a lead byte and its second byte, else 1.
std::size_t CharacterSize(const char* text);
// The name with its single-byte a-z made A-Z; two-byte characters are left alone.
std::string FoldCase(const std::string& name);

enum class Target {
    Existing,   // the path must name something that is there
    Creatable,  // its directory must be there; the last component may be missing
};

struct HostPath {
    std::string path;          // the host path, relative ones against the current directory
    bool exists = false;       // false only for a Creatable target that is not there yet
    struct stat status = {};   // valid when exists
};

// Maps a Windows path to the host. False with the last error set: ERROR_FILE_NOT_FOUND for a
// missing last component, ERROR_PATH_NOT_FOUND for a missing directory or another drive,
// ERROR_BAD_NETPATH for a network path, ERROR_INVALID_NAME for wildcards and other
// characters Windows refuses in names.
bool MapPath(const char* windowsPath, Target target, HostPath& mapped);

// The entry of an existing host directory that names the file: the name itself when it is
// there, else the entry equal to it without regard to case (the least in byte order when
// several are). Empty when none matches.
std::string FindEntry(const std::string& hostDirectory, const std::string& name);

// The host's current directory; false with the last error set.
bool CurrentDirectory(std::string& hostPath);

// A host absolute path in Windows form: "/tmp/x" is "Z:\tmp\x", "/" is "Z:\".
std::string WindowsPathOf(const std::string& hostPath);

// Copies text with its terminator when it fits in size bytes and returns its length;
// otherwise returns the size it needs, terminator included, and leaves the buffer alone.
DWORD CopyOut(const std::string& text, DWORD size, LPSTR buffer);

// The Windows attributes of a host file.
DWORD AttributesOf(const struct stat& status);

}  // namespace posix
