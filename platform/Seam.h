// The calls a test must be able to answer or make fail. The system makes these calls
// through the seam, so a hook takes effect in both builds; with no hook set, each is the
// plain platform call.
#pragma once

#include "Platform.h"

namespace seam {

struct Hooks {
    int (*messageBox)(HWND owner, LPCSTR text, LPCSTR caption, UINT type) = nullptr;
    LPVOID (*virtualAlloc)(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protection) = nullptr;
    BOOL (*virtualFree)(LPVOID address, SIZE_T size, DWORD freeType) = nullptr;
    HANDLE (*findFirstFile)(LPCSTR pattern, LPWIN32_FIND_DATAA found) = nullptr;
    std::FILE* (*openFile)(const char* path, const char* mode) = nullptr;
};

// The hooks in force; tests set and reset them.
Hooks& hooks();

// A message box; 0 when none could be shown.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protection);
// Releases what VirtualAlloc gave; a test that counts pages sees both ends.
BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD freeType);
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA found);
// The runtime's fopen, for a Windows path.
std::FILE* fopen(const char* path, const char* mode);

}  // namespace seam
