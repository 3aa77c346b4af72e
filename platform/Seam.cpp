#include "Seam.h"

namespace seam {

Hooks& hooks() {
    static Hooks installed;
    return installed;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (hooks().messageBox) return hooks().messageBox(owner, text, caption, type);
    return ::MessageBoxA(owner, text, caption, type);
}

LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protection) {
    if (hooks().virtualAlloc) return hooks().virtualAlloc(address, size, allocationType, protection);
    return ::VirtualAlloc(address, size, allocationType, protection);
}

BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD freeType) {
    if (hooks().virtualFree) return hooks().virtualFree(address, size, freeType);
    return ::VirtualFree(address, size, freeType);
}

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA found) {
    if (hooks().findFirstFile) return hooks().findFirstFile(pattern, found);
    return ::FindFirstFileA(pattern, found);
}

std::FILE* fopen(const char* path, const char* mode) {
    if (hooks().openFile) return hooks().openFile(path, mode);
    // fopen itself, whose sharing is _SH_DENYNO; the host layer maps the Windows path.
    return ::_fsopen(path, mode, _SH_DENYNO);
}

}  // namespace seam
