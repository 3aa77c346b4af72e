// The sample game module, system.dll: the launcher hands the process over to its run. A game
// maker starts a module of their own from this file. run opens the game's main window, whose
// class is the Name setting and whose text is the title, so that a second start of the
// launcher finds the running game; it returns when the window has closed.
//
// A Windows module, built by the Windows build alone.
#include <windows.h>

#include <cstdio>

#include "files/ProcessState.h"
#include "launcher/Settings.h"

namespace {

// "設定" (settings)
const char kSection[] = "\x90\xdd\x92\xe8";
// A window class for a GAME.INI without Name; the launcher then cannot find the game.
const char kFallbackClass[] = "SampleGame";

struct Game {
    HINSTANCE instance;
    int showCommand;
    const char* title;  // null when the launcher had no Title
    OCString name;
};

Game* game = nullptr;

void PaintLine(HDC dc, int x, int& y, const char* text) {
    TextOutA(dc, x, y, text, lstrlenA(text));
    y += 28;
}

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT area;
    GetClientRect(window, &area);
    HBRUSH sky = CreateSolidBrush(RGB(24, 40, 96));
    FillRect(dc, &area, sky);
    DeleteObject(sky);
    RECT ground = {area.left, area.bottom - 60, area.right, area.bottom};
    HBRUSH grass = CreateSolidBrush(RGB(40, 120, 56));
    FillRect(dc, &ground, grass);
    DeleteObject(grass);

    // A font of the Shift-JIS character set, so that Japanese titles show as written.
    HFONT font = CreateFontA(22, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Gothic");
    HGDIOBJ previous = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 236, 128));
    int y = 24;
    PaintLine(dc, 24, y, game->title ? game->title : "(no title)");
    SetTextColor(dc, RGB(230, 230, 230));
    y += 12;
    char line[512];
    std::snprintf(line, sizeof line, "Name (window class): %s", game->name.IsEmpty() ? "(none)" : game->name.GetText());
    PaintLine(dc, 24, y, line);
    std::snprintf(line, sizeof line, "Instance handle: %p", static_cast<void*>(game->instance));
    PaintLine(dc, 24, y, line);
    std::snprintf(line, sizeof line, "Show command: %d", game->showCommand);
    PaintLine(dc, 24, y, line);
    PaintLine(dc, 24, y, "Close this window to end the game.");
    SelectObject(dc, previous);
    DeleteObject(font);
    EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

// Exported as run under its decorated name (SampleGame.def).
extern "C" int WINAPI RunSampleGame(HINSTANCE instance, int showCommand, const char* title) {
    Game state{instance, showCommand, title, OCString()};
    // The launcher passes no Name: the module reads it where the launcher did. The launcher
    // has already asked the user about a missing GAME.INI, so the module's own file layer
    // does not ask again.
    quietOpen = 1;
    ReadSetting(kSection, "Name", state.name, "GAME.INI");
    const char* className = state.name.IsEmpty() ? kFallbackClass : state.name.GetText();
    game = &state;

    // The module's own instance owns the class; the launcher's is the process's.
    HINSTANCE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&WindowProcedure), &module);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = className;
    if (!RegisterClassA(&windowClass)) return 1;
    HWND window = CreateWindowExA(0, className, title ? title : "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  640, 360, nullptr, nullptr, module, nullptr);
    if (!window) return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    UnregisterClassA(className, module);
    game = nullptr;
    return 0;
}
