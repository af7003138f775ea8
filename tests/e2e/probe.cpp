// Stands in for a product's uninstaller: appends its own command line, exactly as received, as
// one line to the file named by ISRELOC_PROBE_LOG (else probe.log beside itself), then ends with 0.
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

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string line = std::string(GetCommandLineA()) + "\r\n";
    HANDLE log = CreateFileA(logPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    // A line that could not be recorded must not pass for a run that never happened.
    if (log == INVALID_HANDLE_VALUE) return 1;
    const UniqueKernelHandle logOwner(log);
    DWORD written = 0;
    const BOOL wrote = WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return wrote && written == line.size() ? 0 : 1;
}
