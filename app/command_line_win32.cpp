#include "app/command_line_win32.h"

#include <windows.h>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide calls take UTF-16 units");

const char16_t* Win32CommandLine::text() {
    const wchar_t* commandLine = GetCommandLineW();
    return commandLine != nullptr ? reinterpret_cast<const char16_t*>(commandLine) : u"";
}

std::string Win32CommandLine::narrow(const std::u16string& text) {
    if (text.empty()) return std::string();
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, size, nullptr, 0, "?", nullptr);
    if (length <= 0) return std::string();
    std::string narrowed(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, size, &narrowed[0], length, "?", nullptr);
    return narrowed;
}

std::u16string Win32CommandLine::ownWidePath() {
    std::u16string path(MAX_PATH + 1, u'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD written = GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(&path[0]), size);
        if (written == 0) return std::u16string();
        if (written < size) {
            path.resize(written);
            return path;
        }
        if (path.size() >= 0x8000) return std::u16string();  // longer than any Windows path
        path.resize(path.size() * 2);
    }
}
