// The game module of the end-to-end tests. run appends what it received to run.log in the
// current directory. With OC_E2E_HOLD set it then plays the running game: a window whose class
// is that variable's value and whose text is the title, kept until it is asked to close (or
// for a minute at most, so that a test that loses it cannot hang).
//
// A Windows module of the Windows build's tests.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

void Record(HINSTANCE instance, int showCommand, const char* title) {
    std::FILE* log = std::fopen("run.log", "ab");
    if (!log) return;
    std::fprintf(log, "run instance=%s show=%d title=", instance == GetModuleHandleA(nullptr) ? "program" : "other",
                 showCommand);
    if (!title) std::fputs("null", log);
    for (const char* c = title; c && *c; ++c) std::fprintf(log, "%02x", static_cast<unsigned char>(*c));
    std::fputs("\n", log);
    std::fclose(log);
}

LRESULT CALLBACK GameWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) DestroyWindow(window);
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

void Hold(const char* className, const char* title) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = GameWindow;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = className;
    if (!RegisterClassA(&windowClass)) return;
    HWND window = CreateWindowExA(0, className, title ? title : "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 200, 320,
                                  200, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) return;
    SetTimer(window, 1, 60000, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
}

}  // namespace

extern "C" int WINAPI RecordRun(HINSTANCE instance, int showCommand, const char* title) {
    Record(instance, showCommand, title);
    if (const char* className = std::getenv("OC_E2E_HOLD")) Hold(className, title);
    return 0;
}
