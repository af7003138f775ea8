#include "platform/services/services_win32.h"

#include <windows.h>

#include <optional>
#include <vector>

namespace {

// Owns a file search handle, so that every path out of a search closes it.
class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle() {
        if (valid()) {
            FindClose(handle_);
        }
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// Only the first entry a search finds counts, as with a wildcard in the path; the search is
// closed before the caller looks at the entry.
std::optional<WIN32_FIND_DATAA> findFirstEntry(const std::string& path) {
    WIN32_FIND_DATAA entry{};
    const FindHandle search(FindFirstFileA(path.c_str(), &entry));
    if (!search.valid()) {
        return std::nullopt;
    }
    return entry;
}

// The wide calls take UTF-16 units; wchar_t is one on Windows.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t holds one UTF-16 unit");
const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

bool isDirectory(const WIN32_FIND_DATAA& entry) { return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

// 1 January 2108, 00:00, in 100 ns steps since 1601: the first moment a DOS date cannot hold.
constexpr uint64_t kFirstTimeAfterDosDates = 159992928000000000ull;

uint64_t ticksOf(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

int32_t Win32Services::fileAge(const std::string& path) {
    const auto entry = findFirstEntry(path);
    if (!entry || isDirectory(*entry)) {
        return -1;
    }
    // A time that cannot be made local is treated as one a DOS date cannot hold, rather than
    // converting a local time that was never set.
    FILETIME localTime{};
    WORD dosDate = 0;
    WORD dosTime = 0;
    // Wine's conversion wraps the years after 2107 round to 1980 instead of refusing them.
    if (!FileTimeToLocalFileTime(&entry->ftLastWriteTime, &localTime) ||
        ticksOf(localTime) >= kFirstTimeAfterDosDates || !FileTimeToDosDateTime(&localTime, &dosDate, &dosTime)) {
        return -1;
    }
    return static_cast<int32_t>((static_cast<uint32_t>(dosDate) << 16) | dosTime);
}

bool Win32Services::fileExists(const std::string& path) {
    // The time stamp plays no part: a marker file stamped 1970, as reproducible builds leave
    // them, is still there.
    const auto entry = findFirstEntry(path);
    return entry && !isDirectory(*entry);
}

bool Win32Services::directoryProbe(const std::string& path) { return SetCurrentDirectoryA(path.c_str()) != 0; }

bool Win32Services::moveDirectory(const std::string& oldPath, const std::string& newPath) {
    return MoveFileA(oldPath.c_str(), newPath.c_str()) != 0;
}

void Win32Services::launchCommand(const std::string& commandLine) { WinExec(commandLine.c_str(), SW_SHOWDEFAULT); }

void Win32Services::launchWideCommand(const std::u16string& commandLine) {
    // What WinExec does for an ANSI command line: start it shown the default way, without waiting.
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::u16string writable = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWDEFAULT;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, wide(&writable[0]), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

std::u16string Win32Services::expandWideEnvironment(const std::u16string& text) {
    std::vector<char16_t> buffer(text.size() + 1);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD needed =
            ExpandEnvironmentStringsW(wide(text.c_str()), wide(buffer.data()), static_cast<DWORD>(buffer.size()));
        if (needed == 0) return text;
        if (needed <= buffer.size()) return std::u16string(buffer.data());
        buffer.resize(needed);
    }
    return text;
}

bool Win32Services::windowAlive(int32_t window) {
    return IsWindow(reinterpret_cast<HWND>(static_cast<intptr_t>(window))) != 0;
}

void Win32Services::pauseFor(uint32_t milliseconds) { Sleep(milliseconds); }

void Win32Services::showMessage(const std::string& text, const std::string& caption, uint32_t flags) {
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
}
