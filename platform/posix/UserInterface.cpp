// The user interface of a host without windows: message boxes on the terminal.
#include <iconv.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace {

struct Button {
    const char* label;  // its first letter answers it
    int id;
};

// The buttons of a box type's low four bits; types the host does not know show OK.
std::vector<Button> ButtonsOf(UINT type) {
    switch (type & 0xF) {
    case 0x1: return {{"OK", IDOK}, {"Cancel", IDCANCEL}};
    case MB_ABORTRETRYIGNORE: return {{"Abort", IDABORT}, {"Retry", IDRETRY}, {"Ignore", IDIGNORE}};
    case 0x5: return {{"Retry", IDRETRY}, {"Cancel", IDCANCEL}};
    default: return {{"OK", IDOK}};
    }
}

// Shift-JIS text in UTF-8 for the terminal; the bytes as they are when iconv cannot help.
std::string Displayable(const char* text) {
    std::string raw = text ? text : "";
    iconv_t converter = ::iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) return raw;
    std::string converted(raw.size() * 3 + 1, '\0');
    char* in = &raw[0];
    char* out = &converted[0];
    std::size_t inLeft = raw.size(), outLeft = converted.size();
    bool complete = ::iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1);
    ::iconv_close(converter);
    if (!complete) return raw;
    converted.resize(converted.size() - outLeft);
    return converted;
}

// Reads answers until one names a button; 0 at the end of the input.
int Ask(const std::vector<Button>& buttons) {
    std::string prompt;
    for (const Button& button : buttons) {
        if (!prompt.empty()) prompt += " / ";
        prompt += std::string("[") + button.label[0] + "]" + (button.label + 1);
    }
    char line[256];
    for (;;) {
        std::fprintf(stderr, "%s? ", prompt.c_str());
        if (!std::fgets(line, sizeof line, stdin)) return 0;
        char key = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
        if (buttons.size() == 1 && (key == '\n' || key == '\r')) return buttons[0].id;
        for (const Button& button : buttons)
            if (key == std::tolower(static_cast<unsigned char>(button.label[0]))) return button.id;
    }
}

}  // namespace

// Owner and type flags beyond the buttons change nothing on a terminal.
int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    std::string title = caption ? Displayable(caption) : "Error";
    std::fprintf(stderr, "[%s] %s\n", title.c_str(), Displayable(text).c_str());
    if (!::isatty(STDIN_FILENO) || !::isatty(STDERR_FILENO)) return 0;  // no button could be shown
    return Ask(ButtonsOf(type));
}

HWND FindWindowA(LPCSTR, LPCSTR) { return nullptr; }

BOOL SetForegroundWindow(HWND) { return FALSE; }

void OutputDebugStringA(LPCSTR text) {
    if (text) std::fputs(text, stderr);
}
