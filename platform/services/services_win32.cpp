#include "platform/services/services_win32.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "platform/services/kernel_handle_win32.h"
#include "platform/services/process_tree_win32.h"

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

// The wide calls take UTF-16 units; wchar_t is one on Windows.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t holds one UTF-16 unit");
const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

// Paths shorter than this go to the system as they are; from here on a folder's path may not
// fit MAX_PATH with a file name after it.
constexpr std::size_t kLongPathFrom = MAX_PATH - 12;

// A path as the wide calls take it. The system cuts a path at MAX_PATH characters unless it is a
// whole path behind the "\\?\" prefix, which it then takes as it is (up to 32,767 characters):
// so a long path is first made whole the way the system would make it, then given the prefix.
// It stays a std::u16string: std::wstring would bring the runtime's whole wide string (35 KB).
std::u16string systemPath(const std::u16string& path) {
    if (path.size() < kLongPathFrom) return path;
    const DWORD needed = GetFullPathNameW(wide(path.c_str()), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::u16string full(needed, u'\0');
    const DWORD length = GetFullPathNameW(wide(path.c_str()), needed, wide(&full[0]), nullptr);
    if (length == 0 || length >= needed) return path;
    full.resize(length);
    if (full.compare(0, 4, u"\\\\?\\") == 0) return full;
    if (full.compare(0, 2, u"\\\\") == 0) return u"\\\\?\\UNC\\" + full.substr(2);
    return u"\\\\?\\" + full;
}

// Only the first entry a search finds counts, as with a wildcard in the path; the search is
// closed before the caller looks at the entry.
std::optional<WIN32_FIND_DATAW> findFirstEntry(const std::u16string& path) {
    WIN32_FIND_DATAW entry{};
    const FindHandle search(FindFirstFileW(wide(systemPath(path).c_str()), &entry));
    if (!search.valid()) {
        return std::nullopt;
    }
    return entry;
}

bool isDirectory(const WIN32_FIND_DATAW& entry) { return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

// 1 January 2108, 00:00, in 100 ns steps since 1601: the first moment a DOS date cannot hold.
constexpr uint64_t kFirstTimeAfterDosDates = 159992928000000000ull;

uint64_t ticksOf(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Where every started program runs, and where isreloc itself goes when it starts and before it
// starts a program: a directory no uninstaller removes or moves.
std::u16string leaveForSystemDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    UINT length = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    }
    if (length == 0 || length >= buffer.size()) return std::u16string();
    SetCurrentDirectoryW(buffer.data());
    return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()), length);
}

}  // namespace

int32_t Win32Services::fileAge(const std::u16string& path) {
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

bool Win32Services::fileExists(const std::u16string& path) {
    // The time stamp plays no part: a marker file stamped 1970, as reproducible builds leave
    // them, is still there.
    const auto entry = findFirstEntry(path);
    return entry && !isDirectory(*entry);
}

bool Win32Services::directoryProbe(const std::u16string& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesW(wide(systemPath(path).c_str()));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32Services::moveDirectory(const std::u16string& oldPath, const std::u16string& newPath) {
    return MoveFileW(wide(systemPath(oldPath).c_str()), wide(systemPath(newPath).c_str())) != 0;
}

void Win32Services::enterSystemDirectory() { leaveForSystemDirectory(); }

bool Win32Services::launch(const std::u16string& commandLine) {
    // Shown the default way, as the list of programs starts an uninstaller. CreateProcessW may
    // write into the command line, so it gets a copy of its own.
    if (commandLine.empty()) return false;
    std::u16string writable = commandLine;
    const std::u16string directory = leaveForSystemDirectory();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWDEFAULT;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, wide(&writable[0]), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.empty() ? nullptr : wide(directory.c_str()), &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

LaunchOutcome Win32Services::launchAndWait(const std::u16string& commandLine,
                                          const std::optional<uint32_t>& timeLimitSeconds) {
    const std::u16string directory = leaveForSystemDirectory();
    return startAndWaitForTree(commandLine, directory, timeLimitSeconds);
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

bool Win32Services::interactiveWindowStation() {
    // Session 0 holds services and SYSTEM's work, and since Windows Vista no one's desktop: a box
    // there is never seen, whatever its window station says of itself.
    DWORD session = 0;
    if (ProcessIdToSessionId(GetCurrentProcessId(), &session) && session == 0) return false;
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    const HWINSTA station = GetProcessWindowStation();
    if (station == nullptr || !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed))
        return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

std::u16string Win32Services::widenAnsi(const std::string& text) {
    if (text.empty()) return std::u16string();
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return std::u16string();
    std::u16string wideText(static_cast<std::size_t>(length), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide(&wideText[0]), length);
    return wideText;
}

std::u16string Win32Services::fullPath(const std::u16string& path) {
    std::u16string full(MAX_PATH + 1, u'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length =
            GetFullPathNameW(wide(path.c_str()), static_cast<DWORD>(full.size()), wide(&full[0]), nullptr);
        if (length == 0) return path;
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length + 1);
    }
    return path;
}

namespace {

// Every write goes to the end as it is then, so that another run writing the same log between
// two lines of this one loses nothing of either.
class OpenAppendFile final : public AppendFile {
public:
    explicit OpenAppendFile(HANDLE file) : file_(file) {}
    bool append(const std::string& bytes) override {
        DWORD written = 0;
        return WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }

private:
    KernelHandle file_;
};

}  // namespace

std::unique_ptr<AppendFile> Win32Services::openForAppending(const std::u16string& path) {
    // Shared for reading, writing and deleting: the log a run holds open never stands in the
    // way of anyone else, an uninstaller cleaning a temporary folder included.
    const HANDLE opened =
        CreateFileW(wide(systemPath(path).c_str()), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<OpenAppendFile>(opened);
}

LocalTime Win32Services::localTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}
