// Stands in for a product's uninstaller: appends its own command line, exactly as received (in
// UTF-8, so that a path outside the ANSI code page is recorded as it arrived), as one line to the
// file named by ISRELOC_PROBE_LOG (else probe.log beside itself), then ends with 0.
#include <windows.h>

#include <string>

#include "unique_handle.h"

namespace {

std::string logPath() {
    char named[MAX_PATH + 1] = "";
    const DWORD length = GetEnvironmentVariableA("ISRELOC_PROBE_LOG", named, sizeof named);
    if (length > 0 && length < sizeof named) return named;
    char own[MAX_PATH + 1] = "";
    const DWORD ownLength = GetModuleFileNameA(nullptr, own, MAX_PATH);
    std::string path(own, ownLength);
    return path.substr(0, path.rfind('\\') + 1) + "probe.log";
}

std::string commandLineInUtf8() {
    const wchar_t* wide = GetCommandLineW();
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return "";
    std::string line(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, &line[0], size, nullptr, nullptr);
    line.pop_back();  // the terminator
    return line;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string line = commandLineInUtf8() + "\r\n";
    HANDLE log = CreateFileA(logPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    // A line that could not be recorded must not pass for a run that never happened.
    if (log == INVALID_HANDLE_VALUE) return 1;
    const UniqueKernelHandle logOwner(log);
    DWORD written = 0;
    const BOOL wrote = WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return wrote && written == line.size() ? 0 : 1;
}
