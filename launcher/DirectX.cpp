#include "launcher/DirectX.h"

#include "platform/Platform.h"

// Loading the libraries is the whole test: nothing inside them is called.
std::uint32_t ProbeDirectX() {
    HMODULE d3d8 = LoadLibraryA("D3D8.DLL");
    if (!d3d8) {
        OutputDebugStringA("Couldn't LoadLibrary D3D8.DLL\r\n");
        return 0;
    }
    HMODULE dpnhpast = LoadLibraryA("dpnhpast.dll");
    if (!dpnhpast) {
        FreeLibrary(d3d8);
        OutputDebugStringA("Couldn't LoadLibrary dpnhpast.dll\r\n");
        return 0x800;
    }
    FreeLibrary(d3d8);
    FreeLibrary(dpnhpast);
    return 0x801;
}
