#include "timed_runs.h"

#include <windows.h>

#include "child_process.h"
#include "unique_handle.h"

namespace {

constexpr uint32_t kRunTimeoutMilliseconds = 300000;

std::string systemDirectory() {
    char path[MAX_PATH] = "";
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : 0);
}

}  // namespace

double nowMilliseconds() {
    static const double ticksPerMillisecond = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerMillisecond;
}

TimedRun timeIsreloc(const std::string& isrelocPath, const std::string& commandLine) {
    TimedRun run;
    const double start = nowMilliseconds();
    const ChildOutcome outcome = runAnsweringBoxes(isrelocPath, commandLine, kRunTimeoutMilliseconds);
    run.milliseconds = nowMilliseconds() - start;
    if (!outcome.started)
        run.failure = outcome.startError;
    else if (outcome.timedOut)
        run.failure = "isreloc.exe did not end within the time-out";
    else if (!outcome.boxes.empty())
        run.failure = "isreloc.exe showed the box \"" + outcome.boxes.front().caption + "\": " +
                      outcome.boxes.front().text;
    else if (outcome.exitCode != 0)
        run.failure = "isreloc.exe ended with exit code " + std::to_string(outcome.exitCode);
    run.ok = run.failure.empty();
    return run;
}

TimedRun timeReg(const std::string& arguments) {
    TimedRun run;
    // reg.exe reports success on its standard output, which would land in the tables.
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const UniqueKernelHandle discard(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                 &inheritable, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = discard.get();
    startup.hStdOutput = discard.get();
    startup.hStdError = discard.get();
    const std::string program = systemDirectory() + "\\reg.exe";
    // In the 32-bit view, where isreloc works, whichever reg.exe this is.
    std::string commandLine = "reg " + arguments + " /reg:32";  // CreateProcessA may write into it
    PROCESS_INFORMATION started{};
    const double start = nowMilliseconds();
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &started)) {
        run.failure = "reg.exe could not be started, error " + std::to_string(GetLastError());
        return run;
    }
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    const bool ended = WaitForSingleObject(process.get(), kRunTimeoutMilliseconds) == WAIT_OBJECT_0;
    run.milliseconds = nowMilliseconds() - start;
    DWORD exitCode = 0;
    GetExitCodeProcess(process.get(), &exitCode);
    if (!ended) {
        TerminateProcess(process.get(), 1);
        run.failure = "reg " + arguments + " did not end within the time-out";
    } else if (exitCode != 0) {
        run.failure = "reg " + arguments + " ended with exit code " + std::to_string(exitCode);
    }
    run.ok = run.failure.empty();
    return run;
}
