#include "platform/services/process_tree_win32.h"

#include <windows.h>

#include "platform/services/job_wait.h"
#include "platform/services/kernel_handle_win32.h"

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t holds one UTF-16 unit");

// A job whose messages arrive at a port of its own. Children join their parent's job by
// default, so the job holds the whole tree the started program grows. A child created to break
// away is let go rather than refused its start: refusing would change how the uninstaller runs.
class PortedJob final : public JobWatch {
public:
    PortedJob()
        : port_(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)), job_(CreateJobObjectW(nullptr, nullptr)) {
        if (!port_ || !job_) return;
        JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{};
        association.CompletionKey = job_.get();
        association.CompletionPort = port_.get();
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
        // The port goes on before any process joins, so that no message is missed.
        ready_ = SetInformationJobObject(job_.get(), JobObjectAssociateCompletionPortInformation, &association,
                                         sizeof association) &&
                 SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
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

private:
    KernelHandle port_;
    KernelHandle job_;
    bool ready_ = false;
};

}  // namespace

LaunchOutcome startAndWaitForTree(const std::u16string& commandLine, const std::u16string& directory) {
    PortedJob job;
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
    if (inJob) waitUntilJobEmpty(job);
    // The started process itself has ended when its job is empty; alone, or when the job could not
    // be counted, it is waited for here.
    WaitForSingleObject(process.get(), INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.get(), &exitCode);
    return {true, exitCode};
}
