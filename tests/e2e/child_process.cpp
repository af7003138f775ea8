#include "child_process.h"

#include <windows.h>

#include <map>

#include "unique_handle.h"

namespace {

constexpr int kBoxTextControl = 0xFFFF;
constexpr DWORD kPollMilliseconds = 50;
// A box that ignores OK (it has no such button) is asked to close after this long.
constexpr DWORD kCloseRetryMilliseconds = 1000;

struct BoxSearch {
    DWORD processId;
    std::vector<HWND> boxes;
};

BOOL CALLBACK collectBox(HWND window, LPARAM search) {
    auto& wanted = *reinterpret_cast<BoxSearch*>(search);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16] = "";
    if (owner == wanted.processId && GetClassNameA(window, className, sizeof className) > 0 &&
        lstrcmpA(className, "#32770") == 0)
        wanted.boxes.push_back(window);
    return TRUE;
}

std::vector<HWND> boxesOf(DWORD processId) {
    BoxSearch search{processId, {}};
    EnumWindows(collectBox, reinterpret_cast<LPARAM>(&search));
    return search.boxes;
}

std::string windowText(HWND window) {
    if (window == nullptr) return "";
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, &text[0], static_cast<int>(text.size()))));
    return text;
}

BOOL CALLBACK findShownIcon(HWND child, LPARAM found) {
    char className[16] = "";
    if (GetClassNameA(child, className, sizeof className) > 0 && lstrcmpiA(className, "Static") == 0 &&
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child) &&
        SendMessageA(child, STM_GETICON, 0, 0) != 0) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

ObservedBox readBox(HWND box) {
    bool iconShown = false;
    EnumChildWindows(box, findShownIcon, reinterpret_cast<LPARAM>(&iconShown));
    return {windowText(box), windowText(GetDlgItem(box, kBoxTextControl)), iconShown};
}

// A window a case made on this thread (a stand-in installer's) must not stall whoever sends to it.
void dispatchOwnMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

namespace {

// Answers the started program's boxes until it ends or the time is up; fills the outcome.
void answerUntilEnd(const PROCESS_INFORMATION& started, ChildOutcome& outcome, uint32_t timeoutMilliseconds,
                    const std::function<void(uint32_t elapsedMilliseconds)>& whileRunning) {
    outcome.started = true;
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);

    // Boxes already answered, with the time of the answer, until their windows are gone.
    std::map<HWND, DWORD> answered;
    const DWORD startTime = GetTickCount();
    for (;;) {
        for (auto at = answered.begin(); at != answered.end();)
            at = IsWindow(at->first) ? std::next(at) : answered.erase(at);
        for (HWND box : boxesOf(started.dwProcessId)) {
            const auto seen = answered.find(box);
            if (seen != answered.end()) {
                if (GetTickCount() - seen->second > kCloseRetryMilliseconds) {
                    PostMessageA(box, WM_CLOSE, 0, 0);
                    seen->second = GetTickCount();
                }
                continue;
            }
            // A box becomes visible only once its caption and text are in place.
            if (!IsWindowVisible(box)) continue;
            outcome.boxes.push_back(readBox(box));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            answered[box] = GetTickCount();
        }
        if (WaitForSingleObject(process.get(), kPollMilliseconds) == WAIT_OBJECT_0) break;
        dispatchOwnMessages();
        if (whileRunning) whileRunning(GetTickCount() - startTime);
        if (GetTickCount() - startTime > timeoutMilliseconds) {
            TerminateProcess(process.get(), 1);
            WaitForSingleObject(process.get(), 5000);
            outcome.timedOut = true;
            break;
        }
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.get(), &exitCode);
    outcome.exitCode = exitCode;
}

}  // namespace

ChildOutcome runAnsweringBoxes(const std::string& applicationPath, const std::string& commandLine,
                               uint32_t timeoutMilliseconds,
                               const std::function<void(uint32_t elapsedMilliseconds)>& whileRunning,
                               const StartPlace& place) {
    ChildOutcome outcome;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string desktop = place.desktop;
    if (!desktop.empty()) startup.lpDesktop = &desktop[0];
    PROCESS_INFORMATION started{};
    std::string writableLine = commandLine;  // CreateProcessA may write into it
    if (!CreateProcessA(applicationPath.c_str(), &writableLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        place.currentDirectory.empty() ? nullptr : place.currentDirectory.c_str(), &startup, &started)) {
        outcome.startError = "CreateProcessA failed with error " + std::to_string(GetLastError());
        return outcome;
    }
    answerUntilEnd(started, outcome, timeoutMilliseconds, whileRunning);
    return outcome;
}

ChildOutcome runAnsweringBoxes(const std::wstring& applicationPath, const std::wstring& commandLine,
                               uint32_t timeoutMilliseconds) {
    ChildOutcome outcome;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::wstring writableLine = commandLine;  // CreateProcessW may write into it
    if (!CreateProcessW(applicationPath.c_str(), &writableLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        outcome.startError = "CreateProcessW failed with error " + std::to_string(GetLastError());
        return outcome;
    }
    answerUntilEnd(started, outcome, timeoutMilliseconds, nullptr);
    return outcome;
}
