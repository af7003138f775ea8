#include "platform/services/process_tree_win32.h"

#include <windows.h>

#include <algorithm>

#include "platform/services/job_wait.h"
#include "platform/services/kernel_handle_win32.h"

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t holds one UTF-16 unit");

// Milliseconds since it was made. GetTickCount wraps after 49.7 days; the differences between
// readings do not, as long as it is read more often than that (the wait reads it every second).
class ElapsedClock {
public:
    uint64_t elapsed() {
        const DWORD now = GetTickCount();
        total_ += static_cast<DWORD>(now - last_);
        last_ = now;
        return total_;
    }

private:
    DWORD last_ = GetTickCount();
    uint64_t total_ = 0;
};

// A job whose messages arrive at a port of its own. Children join their parent's job by
// default, so the job holds the whole tree the started program grows.
//
// Nothing may break away from it: the job sets neither JOB_OBJECT_LIMIT_BREAKAWAY_OK nor
// JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK. A process that left the job could be neither seen nor
// waited for, so the end of the wait would not be the end of the uninstall, and a product that
// looks installed afterwards might be in the middle of its removal, where putting it back strands
// the removal. The price: a child started with CREATE_BREAKAWAY_FROM_JOB is refused its start
// (access denied), the answer it gets under any job that forbids breakaway.
class PortedJob final : public JobWatch {
public:
    explicit PortedJob(ElapsedClock& clock)
        : clock_(clock),
          port_(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)),
          job_(CreateJobObjectW(nullptr, nullptr)) {
        if (!port_ || !job_) return;
        JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{};
        association.CompletionKey = job_.get();
        association.CompletionPort = port_.get();
        // The port goes on before any process joins, so that no message is missed.
        ready_ = SetInformationJobObject(job_.get(), JobObjectAssociateCompletionPortInformation, &association,
                                         sizeof association) != 0;
    }

    // False when there is no job, or the process cannot join it (an older Windows refuses a
    // process that is already in another job).
    bool admit(HANDLE process) { return ready_ && AssignProcessToJobObject(job_.get(), process); }

    bool lastProcessEndedWithin(uint32_t milliseconds) override {
        const DWORD start = GetTickCount();
        for (;;) {
            const DWORD elapsed = GetTickCount() - start;
            if (elapsed >= milliseconds) return false;
            DWORD message = 0;
            ULONG_PTR key = 0;
            LPOVERLAPPED detail = nullptr;
            if (GetQueuedCompletionStatus(port_.get(), &message, &key, &detail, milliseconds - elapsed)) {
                if (key == reinterpret_cast<ULONG_PTR>(job_.get()) && message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO)
                    return true;
            } else if (detail == nullptr && GetLastError() != WAIT_TIMEOUT) {
                Sleep(milliseconds - elapsed);  // a port that can tell nothing: the count decides
                return false;
            }
        }
    }

    int32_t activeProcesses() override {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
        if (!QueryInformationJobObject(job_.get(), JobObjectBasicAccountingInformation, &accounting,
                                       sizeof accounting, nullptr))
            return -1;
        return static_cast<int32_t>(accounting.ActiveProcesses);
    }

    uint64_t elapsedMilliseconds() override { return clock_.elapsed(); }

private:
    ElapsedClock& clock_;
    KernelHandle port_;
    KernelHandle job_;
    bool ready_ = false;
};

enum class ProcessWait { ended, timedOut, failed };

// Waits for the one process until it ends or the limit passes.
ProcessWait waitForProcess(HANDLE process, ElapsedClock& clock, const std::optional<uint64_t>& limit) {
    for (;;) {
        DWORD slice = INFINITE;
        if (limit) {
            const uint64_t elapsed = clock.elapsed();
            if (elapsed >= *limit) return ProcessWait::timedOut;
            slice = static_cast<DWORD>(std::min<uint64_t>(*limit - elapsed, kJobCountEveryMs));
        }
        const DWORD waited = WaitForSingleObject(process, slice);
        if (waited == WAIT_OBJECT_0) return ProcessWait::ended;
        if (waited != WAIT_TIMEOUT) return ProcessWait::failed;
    }
}

}  // namespace

LaunchOutcome startAndWaitForTree(const std::u16string& commandLine, const std::u16string& directory,
                                  const std::optional<uint32_t>& timeLimitSeconds) {
    // The desktop's own window first. Wine starts the process that keeps a desktop's window as a
    // child of whoever first asks for it; started by the uninstaller, it would join the job and,
    // since isreloc itself keeps the desktop in use, never leave it: the wait would never end.
    // Asked for here, it is isreloc's child, outside the job. On Windows the window is always there.
    GetDesktopWindow();
    ElapsedClock clock;
    const std::optional<uint64_t> limit =
        timeLimitSeconds ? std::optional<uint64_t>(uint64_t{*timeLimitSeconds} * 1000) : std::nullopt;
    PortedJob job(clock);
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::u16string writable = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWDEFAULT;
    PROCESS_INFORMATION started{};
    // Suspended, so that it cannot start a child before it is in the job.
    if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(&writable[0]), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, directory.empty() ? nullptr : reinterpret_cast<const wchar_t*>(directory.c_str()),
                        &startup, &started))
        return {};
    const KernelHandle process(started.hProcess);
    const KernelHandle thread(started.hThread);
    const bool inJob = job.admit(process.get());
    if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
        TerminateProcess(process.get(), 1);  // it would never run, and the wait would never end
        return {};
    }
    LaunchOutcome outcome;
    outcome.started = true;
    const JobWaitEnd end = inJob ? waitUntilJobEmpty(job, limit) : JobWaitEnd::uncountable;
    outcome.everyProcessEnded = end == JobWaitEnd::emptied;
    // The started process itself has ended when its job is empty; alone, or when the job could not
    // be counted, it is waited for here.
    const ProcessWait alone =
        end == JobWaitEnd::timedOut ? ProcessWait::timedOut : waitForProcess(process.get(), clock, limit);
    outcome.timedOut = alone == ProcessWait::timedOut;
    // A process whose end could not be told has no exit code to read.
    if (alone != ProcessWait::ended) return outcome;
    DWORD exitCode = 0;
    outcome.exitCodeRead = GetExitCodeProcess(process.get(), &exitCode) != 0;
    outcome.exitCode = exitCode;
    return outcome;
}
