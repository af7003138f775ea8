#include "app/command_line_win32.h"

#include <windows.h>

namespace {

const char* codePageStep(const char* position) { return CharNextA(position); }

}  // namespace

const char* Win32CommandLine::text() {
    const char* commandLine = GetCommandLineA();
    return commandLine != nullptr ? commandLine : "";
}

CharStepper Win32CommandLine::stepper() { return codePageStep; }

std::string Win32CommandLine::ownPath() {
    // The path goes into the uninstall command, so it is read whole, however long the install
    // path: the buffer grows until the call no longer fills it.
    std::string path(MAX_PATH + 1, '\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD written = GetModuleFileNameA(nullptr, &path[0], size);
        if (written == 0) return std::string();
        if (written < size) {
            path.resize(written);
            return path;
        }
        if (path.size() >= 0x8000 * 4) return std::string();  // longer than any Windows path
        path.resize(path.size() * 2);
    }
}

std::u16string Win32CommandLine::ownWidePath() {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide calls take UTF-16 units");
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
