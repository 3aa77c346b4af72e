// A game module for the tests that start game.exe: its run writes the title it receives
// into run.txt in the current directory and returns.
#include <cstdio>

#include "platform/Platform.h"

extern "C" int __stdcall RecordTitle(HINSTANCE, int, const char* title) {
    std::FILE* file = std::fopen("run.txt", "wb");
    if (!file) return 0;
    std::fputs(title ? title : "(null)", file);
    std::fclose(file);
    return 0;
}
