#include "launcher/WinMain.h"

#include <cstdint>

#include "launcher/DirectX.h"
#include "launcher/Settings.h"
#include "platform/Seam.h"
#include "text/OCString.h"

namespace {

// "設定" (settings)
const char kSection[] = "\x90\xdd\x92\xe8";
const char kSettingsFile[] = "GAME.INI";
const char kGameModule[] = "system.dll";
// run(HINSTANCE, int, const char*), __stdcall
const char kRunExport[] = "?run@@YGHPAUHINSTANCE__@@HPBD@Z";

// "DirectX8.1以降がインストールされていません。" (DirectX 8.1 or later is not installed.), a
// line feed, "DirectXをインストール後、実行してください" (Please run this after installing DirectX)
const char kDirectXMissing[] =
    "DirectX8.1\x88\xc8\x8d\x7e\x82\xaa\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5b\x83\x8b\x82\xb3\x82\xea\x82\xc4\x82"
    "\xa2\x82\xdc\x82\xb9\x82\xf1\x81\x42\n"
    "DirectX\x82\xf0\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5b\x83\x8b\x8c\xe3\x81\x41\x8e\xc0\x8d\x73\x82\xb5\x82\xc4"
    "\x82\xad\x82\xbe\x82\xb3\x82\xa2";
const char kDirectXCaption[] = "information";
// "DLLの読み込みに失敗しました。" (Loading the DLL failed.)
const char kModuleFailed[] =
    "DLL\x82\xcc\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";
// "エラーメッセージ" (Error message)
const char kModuleCaption[] = "\x83\x47\x83\x89\x81\x5b\x83\x81\x83\x62\x83\x5a\x81\x5b\x83\x57";

const std::uint32_t kDirectX81 = 0x801;

using RunFunction = int(WINAPI*)(HINSTANCE instance, int showCommand, const char* title);

// The game runs inside run, which returns when it has ended. The module stays loaded until
// the process ends.
void RunGame(HINSTANCE instance, int showCommand, const OCString& title) {
    HMODULE module = GetModuleHandleA(kGameModule);
    if (!module) module = LoadLibraryExA(kGameModule, nullptr, 0);
    if (!module) {
        seam::MessageBoxA(nullptr, kModuleFailed, kModuleCaption, MB_TOPMOST | MB_ICONERROR);
        return;
    }
    // Through the generic function pointer type, which converts to any other without a warning.
    auto run = reinterpret_cast<RunFunction>(reinterpret_cast<void (*)()>(GetProcAddress(module, kRunExport)));
    if (run) run(instance, showCommand, title.GetText());
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    OCString name;
    OCString title;
    ReadSetting(kSection, "Name", name, kSettingsFile);
    ReadSetting(kSection, "Title", title, kSettingsFile);

    // The event's name marks a running game; nobody waits on it. An empty Name leaves it
    // unnamed, and null strings reach the platform as null pointers.
    HANDLE running = CreateEventA(nullptr, TRUE, TRUE, name.GetText());
    if (!running || GetLastError() == ERROR_ALREADY_EXISTS) {
        HWND window = FindWindowA(name.GetText(), title.GetText());
        if (window) SetForegroundWindow(window);
    } else if (ProbeDirectX() < kDirectX81) {
        seam::MessageBoxA(nullptr, kDirectXMissing, kDirectXCaption, MB_TASKMODAL);
    } else {
        RunGame(instance, showCommand, title);
    }
    if (running) CloseHandle(running);
    return 0;
}
