// Stands in for a product's uninstaller: appends its own command line, exactly as received (in
// UTF-8, so that a path outside the ANSI code page is recorded as it arrived), as one line to the
// file named by ISRELOC_PROBE_LOG (else probe.log beside itself), then ends with 0. Arguments
// that ask for more, in the order it does it:
//   /report-cwd        one more line: "cwd " and its current directory
//   /window            creates a window and destroys it again, as an uninstaller with a face does
//   /spawn-lingering   starts a copy of itself with /lingering and every /remove: argument, and
//                      ends at once, as setup.exe -runfromtemp hands over to a copy of itself
//   /remove-key:<key>  without /spawn-lingering: removes the key below HKEY_LOCAL_MACHINE (32-bit
//                      view) with all it holds, and each /remove:<folder> as below, recording
//                      "removed <key or folder>" or "could not remove ...": an uninstaller that
//                      completes
//   /hang              does not end for ten seconds, as an uninstall that outlasts a time-out
//   /exit:N            ends with N instead of 0
// A copy started with /lingering records no command line: it waits kLingerMilliseconds, removes
// each folder named by /remove:<folder> with all it holds (recording "removed <folder>" or
// "could not remove <folder>"), records "lingering child ended" and ends with 0.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "unique_handle.h"

namespace {

constexpr DWORD kLingerMilliseconds = 1500;
constexpr DWORD kHangMilliseconds = 10000;
const std::string kRemoveArgument = "/remove:";
const std::string kExitArgument = "/exit:";
const std::string kRemoveKeyArgument = "/remove-key:";

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

// A line that could not be recorded must not pass for a run that never happened.
bool record(const std::string& text) {
    const std::string line = text + "\r\n";
    HANDLE log = CreateFileA(logPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return false;
    const UniqueKernelHandle logOwner(log);
    DWORD written = 0;
    return WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) && written == line.size();
}

bool hasArgument(const std::string& wanted) {
    for (int at = 1; at < __argc; ++at)
        if (wanted == __argv[at]) return true;
    return false;
}

bool removeTree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        const UniqueHandle<HANDLE, BOOL, FindClose> searchOwner(search);
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = folder + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &entry));
    }
    return RemoveDirectoryA(folder.c_str()) != 0;
}

bool removeKey(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
        return false;
    const LSTATUS emptied = RegDeleteTreeA(key, nullptr);
    RegCloseKey(key);
    return emptied == ERROR_SUCCESS && RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_32KEY, 0) == ERROR_SUCCESS;
}

// Removes what the /remove: (and, when keys are asked for, /remove-key:) arguments name.
bool removeNamed(bool keys) {
    bool recorded = true;
    for (int at = 1; at < __argc; ++at) {
        const std::string argument = __argv[at];
        if (argument.rfind(kRemoveArgument, 0) == 0) {
            const std::string folder = argument.substr(kRemoveArgument.size());
            recorded &= record((removeTree(folder) ? "removed " : "could not remove ") + folder);
        } else if (keys && argument.rfind(kRemoveKeyArgument, 0) == 0) {
            const std::string key = argument.substr(kRemoveKeyArgument.size());
            recorded &= record((removeKey(key) ? "removed " : "could not remove ") + key);
        }
    }
    return recorded;
}

int lingerThenRemove() {
    Sleep(kLingerMilliseconds);
    return removeNamed(false) && record("lingering child ended") ? 0 : 1;
}

bool spawnLingeringCopy() {
    char own[MAX_PATH + 1] = "";
    const DWORD length = GetModuleFileNameA(nullptr, own, MAX_PATH);
    std::string commandLine = "\"" + std::string(own, length) + "\" /lingering";
    for (int at = 1; at < __argc; ++at)
        if (std::string(__argv[at]).rfind(kRemoveArgument, 0) == 0) commandLine += " \"" + std::string(__argv[at]) + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return false;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

int exitCodeAsked() {
    for (int at = 1; at < __argc; ++at) {
        const std::string argument = __argv[at];
        if (argument.rfind(kExitArgument, 0) == 0) return std::atoi(argument.c_str() + kExitArgument.size());
    }
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (hasArgument("/lingering")) return lingerThenRemove();
    if (!record(commandLineInUtf8())) return 1;
    if (hasArgument("/report-cwd")) {
        char directory[MAX_PATH + 1] = "";
        const DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
        if (!record("cwd " + std::string(directory, length < sizeof directory ? length : 0))) return 1;
    }
    if (hasArgument("/window") && !DestroyWindow(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr,
                                                                   nullptr, nullptr)))
        return 1;
    if (hasArgument("/spawn-lingering")) {
        if (!spawnLingeringCopy()) return 1;
    } else if (!removeNamed(true)) {
        return 1;
    }
    if (hasArgument("/hang")) Sleep(kHangMilliseconds);
    return exitCodeAsked();
}
