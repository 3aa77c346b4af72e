// The operating system as the system sees it: exactly the Windows ANSI subset it calls.
//
// On Windows these are the real functions of <windows.h> and msvcrt. Elsewhere the
// declarations below are ours and platform/posix/ implements them, following code page 932
// from its own tables (never the host locale) and Windows path rules (backslash paths,
// names matched without regard to case, drive Z: for the host's root).
#pragma once

#if defined(_WIN32)
#define OC_PLATFORM_WINDOWS 1
#elif defined(__linux__)
#define OC_PLATFORM_POSIX 1
#else
#error "Unknown platform: the system builds for Windows or a Linux host."
#endif

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#if OC_PLATFORM_WINDOWS

#include <windows.h>
#include <mbstring.h>
#include <share.h>

#else

// Types, with the sizes they have on 32-bit Windows.
using BOOL = int;
using BYTE = unsigned char;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using SIZE_T = std::size_t;
using CHAR = char;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPDWORD = DWORD*;
using HANDLE = void*;
using LPSECURITY_ATTRIBUTES = void*;
struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
using FARPROC = long (*)();

#define WINAPI
#define APIENTRY
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(-1))

#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3

#define ERROR_SUCCESS 0u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_PATH_NOT_FOUND 3u
#define ERROR_TOO_MANY_OPEN_FILES 4u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_OUTOFMEMORY 14u
#define ERROR_NOT_READY 21u
#define ERROR_SHARING_VIOLATION 32u
#define ERROR_FILE_EXISTS 80u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_DISK_FULL 112u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_INVALID_NAME 123u
#define ERROR_MOD_NOT_FOUND 126u
#define ERROR_PROC_NOT_FOUND 127u
#define ERROR_DIR_NOT_EMPTY 145u
#define ERROR_BAD_PATHNAME 161u
#define ERROR_ALREADY_EXISTS 183u
#define ERROR_FILENAME_EXCED_RANGE 206u
#define ERROR_NO_MORE_FILES 18u
#define ERROR_BAD_NETPATH 53u
#define ERROR_CANCELLED 1223u

#define MB_OK 0x00000000u
#define MB_ABORTRETRYIGNORE 0x00000002u
#define MB_ICONERROR 0x00000010u
#define MB_TASKMODAL 0x00002000u
#define MB_TOPMOST 0x00040000u
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5

#define MEM_COMMIT 0x00001000u
#define MEM_RESERVE 0x00002000u
#define MEM_RELEASE 0x00008000u
#define PAGE_READWRITE 0x04u

#define SW_SHOWDEFAULT 10

#define _SH_DENYNO 0x40

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

// Last error: the calling thread's value; every function below that fails sets it.
DWORD GetLastError();
void SetLastError(DWORD error);

// Characters of code page 932: lead bytes 0x81-0x9F and 0xE0-0xFC; a lead byte followed by
// a non-zero byte makes one two-byte character.
BOOL IsDBCSLeadByte(BYTE byte);
// The next character; at the terminator the terminator itself.
LPSTR CharNextA(LPCSTR text);
// The start of the character before current, a two-byte character as one; start at start.
LPSTR CharPrevA(LPCSTR start, LPCSTR current);
// Byte length; 0 for a null text.
int lstrlenA(LPCSTR text);
// Case-insensitive collation, -1 / 0 / 1, a null text first. Symbols sort before digits
// (compared one by one, not as numbers), digits before letters, letters before half-width
// katakana and two-byte characters; '-' and '\'' count only when all else is equal.
int lstrcmpiA(LPCSTR first, LPCSTR second);

// msvcrt's multibyte functions for code page 932: two-byte characters are units, so a
// second byte never matches on its own. Case folding covers A-Z and the full-width Latin,
// Greek and Cyrillic capitals; comparisons order by character code.
unsigned char* _mbschr(const unsigned char* text, unsigned int character);
unsigned char* _mbsrchr(const unsigned char* text, unsigned int character);
unsigned char* _mbsstr(const unsigned char* text, const unsigned char* find);
unsigned char* _mbspbrk(const unsigned char* text, const unsigned char* set);
std::size_t _mbsspn(const unsigned char* text, const unsigned char* set);
int _mbsicmp(const unsigned char* first, const unsigned char* second);
int _mbsnbicmp(const unsigned char* first, const unsigned char* second, std::size_t count);

// msvcrt formatting: "I64", "h", "l" prefixes; "S" is a string of 16-bit characters; a null
// string prints "(null)"; a 16-bit character above 0xFF fails the call (-1) in a string.
// _vsnprintf returns -1 when the text is longer than count bytes, and writes no terminator
// when it is exactly count; _vscprintf returns the length the text needs.
int _vsnprintf(char* buffer, std::size_t count, const char* format, va_list arguments);
int _vscprintf(const char* format, va_list arguments);
int _snprintf(char* buffer, std::size_t count, const char* format, ...);
int _scprintf(const char* format, ...);

// The runtime's fopen with its sharing mode; the path is a Windows path.
std::FILE* _fsopen(const char* path, const char* mode, int shareFlag);

// Files and directories. Paths take either separator; "Z:\" is the host's root, "\x" is on
// drive Z:, other drives and "\\server\share" are not there (ERROR_PATH_NOT_FOUND,
// ERROR_BAD_NETPATH). Names match without regard to case (A-Z); a new file or directory is
// made under the name as given. A missing last name is ERROR_FILE_NOT_FOUND, a missing
// directory on the way ERROR_PATH_NOT_FOUND, a wildcard in a path ERROR_INVALID_NAME.
DWORD GetFileAttributesA(LPCSTR path);  // INVALID_FILE_ATTRIBUTES when nothing is there
// '*' any run, '?' one character, a final ".*" also none; "." and ".." first, then by name with
// a-z folded to A-Z. No match: ERROR_FILE_NOT_FOUND; no such directory: ERROR_PATH_NOT_FOUND.
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA found);  // INVALID_HANDLE_VALUE when none
BOOL FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA found);     // FALSE, ERROR_NO_MORE_FILES at the end
BOOL FindClose(HANDLE search);
// The length, or when the buffer is too small the size needed, terminator included.
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);  // e.g. "Z:\tmp\x", at the root "Z:\"
BOOL SetCurrentDirectoryA(LPCSTR path);
BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security);  // ERROR_ALREADY_EXISTS when there
BOOL RemoveDirectoryA(LPCSTR path);                                  // ERROR_DIR_NOT_EMPTY
BOOL DeleteFileA(LPCSTR path);                                       // a directory: ERROR_ACCESS_DENIED
DWORD GetTempPathA(DWORD size, LPSTR buffer);  // with its final backslash; sizes as GetCurrentDirectoryA
// Succeeds for "Z:\" (or a null root) alone.
BOOL GetVolumeInformationA(LPCSTR root, LPSTR volumeName, DWORD volumeNameSize, LPDWORD serialNumber,
                           LPDWORD maximumComponentLength, LPDWORD fileSystemFlags, LPSTR fileSystemName,
                           DWORD fileSystemNameSize);
// OPEN_EXISTING, CREATE_NEW (ERROR_FILE_EXISTS) and CREATE_ALWAYS (which reports
// ERROR_ALREADY_EXISTS on success when it truncated a file); a directory is ERROR_ACCESS_DENIED.
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD creation, DWORD flags, HANDLE templateFile);
BOOL CloseHandle(HANDLE handle);  // files and events; ERROR_INVALID_HANDLE for any other

// Page memory: MEM_COMMIT with PAGE_READWRITE at an address of the system's choice; committed
// pages read as zeros. Size 0 is ERROR_INVALID_PARAMETER. VirtualFree takes a whole block:
// its first byte, size 0 and MEM_RELEASE.
LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protection);
BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD freeType);

// Named events: a name exists exactly while some process holds a handle to it, and is
// released when that process ends, however it ends. ERROR_ALREADY_EXISTS on a second create,
// which still returns a handle. Names are case-sensitive; a null or empty name makes an
// unnamed event. "Local\" is the default namespace and "Global\" another; any other
// backslash is ERROR_PATH_NOT_FOUND, a name of MAX_PATH bytes or more ERROR_FILENAME_EXCED_RANGE.
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCSTR name);

// Modules through the host's loader (shared objects). A bare name is searched as Windows does:
// the program's directory, then the built-in system modules, then the current directory, then
// PATH; a name without an extension gets ".dll". The built-in "d3d8.dll" and "dpnhpast.dll"
// load with no code; WINEDLLOVERRIDES disables modules as under Wine ("d3d8=d",
// "d3d8,dpnhpast=", entries separated by ';'). Failures: ERROR_MOD_NOT_FOUND.
//
// GetProcAddress finds a module's own exports (ERROR_PROC_NOT_FOUND otherwise). A host module
// cannot export an MSVC-decorated name such as "?run@@YGHPAUHINSTANCE__@@HPBD@Z" as it is: the
// GNU linker reads '@' as a symbol version. For a name that is not a C identifier,
// GetProcAddress therefore also tries its alias: "oc_alias_" followed by the name with every
// byte other than A-Z, a-z and 0-9 written as '_' and two upper-case hex digits. A host module
// exports the decorated name above as
//   extern "C" int WINAPI oc_alias__3Frun_40_40YGHPAUHINSTANCE_5F_5F_40_40HPBD_40Z(HINSTANCE, int, LPCSTR);
// and a Windows DLL aliases that function in its .def file.
HMODULE LoadLibraryA(LPCSTR name);
HMODULE LoadLibraryExA(LPCSTR name, HANDLE file, DWORD flags);  // file null and flags 0 only
HMODULE GetModuleHandleA(LPCSTR name);  // null: the program itself; else a loaded module, by file name
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);  // reference counted: the last release unloads

void OutputDebugStringA(LPCSTR text);  // to standard error
DWORD GetCurrentProcessId();

// User interface: the host has no windows. A message box is asked on the terminal (the
// texts converted from code page 932) when standard input and standard error are one; without
// a terminal it is written to standard error and returns 0, as no button could be shown.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
HWND FindWindowA(LPCSTR className, LPCSTR windowName);
BOOL SetForegroundWindow(HWND window);

#endif
