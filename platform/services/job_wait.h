#pragma once
// Waiting until a started program and every process it started have ended. Windows tells the end
// of a job's last process through a completion port, but does not promise to deliver that
// message; so whenever none has come for a while, the wait reads the job's own count of active
// processes instead. A time limit, when given, ends the wait whatever still runs. The system side
// is behind JobWatch, clock included, so the rule is tested without Windows and without waiting.
#include <cstdint>
#include <optional>

// One job, with the completion port that hears about it.
class JobWatch {
public:
    virtual ~JobWatch() = default;
    // True when the message that the job's last process has ended arrives within the time.
    // Other messages, and none, give false; a port that can tell nothing still waits the time.
    virtual bool lastProcessEndedWithin(uint32_t milliseconds) = 0;
    // How many of the job's processes are running now; -1 when that cannot be read.
    virtual int32_t activeProcesses() = 0;
    // Milliseconds since the wait began, on a clock that neither wraps nor goes back.
    virtual uint64_t elapsedMilliseconds() = 0;
};

// How long the wait listens before it counts for itself.
constexpr uint32_t kJobCountEveryMs = 1000;

enum class JobWaitEnd {
    emptied,      // the job has no process left
    uncountable,  // the count could not be read: the caller waits for the process it started alone
    timedOut,     // the time limit passed first: processes of the job may still run
};

JobWaitEnd waitUntilJobEmpty(JobWatch& watch, const std::optional<uint64_t>& limitMilliseconds);
