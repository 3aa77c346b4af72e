// Looks at the Wine desktop for the end-to-end tests: finds windows, reads what a dialog
// says, checks the single-instance event, and moves the foreground. A Windows console
// program; texts go in and out as hex, so that Shift-JIS bytes pass through the shell intact.
//
//   probe ready SECONDS                 a window can be made, shown for SECONDS as "oc-e2e-ready"
//   probe dialog CAPTION SECONDS [NOT]  waits for a top-level window with that caption (other
//                                       than the handle NOT); prints its handle, whether it is
//                                       top-most, and each child control's class and text
//   probe window CLASS TITLE SECONDS    waits for the game's window ("-" for a null title)
//   probe foreground CLASS TITLE        0 when that window is the foreground window
//   probe event NAME                    0 when the named event exists
//   probe close CLASS TITLE             asks the window to close
//   probe cover SECONDS                 takes the foreground with a window of its own
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string FromHex(const char* hex) {
    std::string bytes;
    for (std::size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        char pair[3] = {hex[i], hex[i + 1], 0};
        bytes += static_cast<char>(std::strtoul(pair, nullptr, 16));
    }
    return bytes;
}

std::string ToHex(const char* text) {
    std::string hex;
    char pair[3];
    for (; *text; ++text) {
        std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(*text));
        hex += pair;
    }
    return hex;
}

// "-" stands for a null title, which matches any.
const char* TitleArgument(const std::string& title, const char* argument) {
    return std::strcmp(argument, "-") == 0 ? nullptr : title.c_str();
}

// Polls every 50 ms up to the deadline.
template <typename Found>
HWND WaitFor(double seconds, Found found) {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    for (;;) {
        HWND window = found();
        if (window || static_cast<LONG>(GetTickCount() - deadline) >= 0) return window;
        Sleep(50);
    }
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
    char className[64] = {};
    char text[1024] = {};
    GetClassNameA(child, className, sizeof className);
    GetWindowTextA(child, text, sizeof text);
    std::printf("child %s %s\n", className, ToHex(text).c_str());
    return TRUE;
}

LRESULT CALLBACK PlainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

// A window of the probe's own, pumped until it closes or the time runs out.
int ShowOwnWindow(const char* title, double seconds, bool takeForeground) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PlainWindow;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = "OCProbeWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "OCProbeWindow", title, WS_POPUP | WS_VISIBLE, 0, 0, 160, 120, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    if (!window) return 1;
    if (takeForeground) SetForegroundWindow(window);
    std::printf("shown %d\n", GetForegroundWindow() == window ? 1 : 0);
    std::fflush(stdout);
    SetTimer(window, 1, static_cast<UINT>(seconds * 1000), nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER) DestroyWindow(window);
        DispatchMessageA(&message);
    }
    return 0;
}

int Usage() {
    std::fprintf(stderr, "probe: see the comment at the top of Probe.cpp\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    // Lines end in a line feed alone, as the shell reads them.
    _setmode(_fileno(stdout), _O_BINARY);
    const std::string command = argv[1];
    if (command == "ready" && argc == 3) return ShowOwnWindow("oc-e2e-ready", std::atof(argv[2]), false);
    if (command == "cover" && argc == 3) return ShowOwnWindow("oc-e2e-cover", std::atof(argv[2]), true);
    if (command == "dialog" && (argc == 4 || argc == 5)) {
        const std::string caption = FromHex(argv[2]);
        HWND other = argc == 5 ? reinterpret_cast<HWND>(std::strtoull(argv[4], nullptr, 16)) : nullptr;
        HWND dialog = WaitFor(std::atof(argv[3]), [&]() {
            // Shown only once its controls hold their texts.
            HWND found = FindWindowA(nullptr, caption.c_str());
            return found == other || !IsWindowVisible(found) ? nullptr : found;
        });
        if (!dialog) return 1;
        const bool topmost = (GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        std::printf("dialog %p\ntopmost %d\n", static_cast<void*>(dialog), topmost ? 1 : 0);
        EnumChildWindows(dialog, PrintChild, 0);
        return 0;
    }
    if ((command == "window" && argc == 5) || ((command == "foreground" || command == "close") && argc == 4)) {
        const std::string title = FromHex(argv[3]);
        const char* windowName = TitleArgument(title, argv[3]);
        const double seconds = command == "window" ? std::atof(argv[4]) : 0;
        HWND window = WaitFor(seconds, [&]() { return FindWindowA(argv[2], windowName); });
        if (!window) return 1;
        if (command == "foreground") return GetForegroundWindow() == window ? 0 : 1;
        if (command == "close") return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
        std::printf("window %p\n", static_cast<void*>(window));
        return 0;
    }
    if (command == "event" && argc == 3) {
        HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
        if (!event) return 1;
        CloseHandle(event);
        return 0;
    }
    return Usage();
}
