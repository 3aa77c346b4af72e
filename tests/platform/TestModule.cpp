// A module shaped like the game module: it exports run under its MSVC-decorated name.
#include <cstring>

#include "platform/Platform.h"

// run(HINSTANCE, int, const char*), __stdcall. A host module cannot carry the decorated name
// as a symbol, so it exports the name's alias; TestModule.def gives the Windows DLL the
// decorated name itself.
extern "C" int WINAPI oc_alias__3Frun_40_40YGHPAUHINSTANCE_5F_5F_40_40HPBD_40Z(HINSTANCE instance, int showCommand,
                                                                               LPCSTR title) {
    return instance ? showCommand * 1000 + static_cast<int>(std::strlen(title)) : -1;
}

extern "C" int TestModuleAnswer() { return 42; }
