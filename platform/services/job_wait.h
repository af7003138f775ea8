#pragma once
// Waiting until a started program and every process it started have ended. Windows tells the end
// of a job's last process through a completion port, but does not promise to deliver that
// message; so whenever none has come for a while, the wait reads the job's own count of active
// processes instead. The system side is behind JobWatch, so the rule is tested without Windows.
#include <cstdint>

// One job, with the completion port that hears about it.
class JobWatch {
public:
    virtual ~JobWatch() = default;
    // True when the message that the job's last process has ended arrives within the time.
    // Other messages, and none, give false; a port that can tell nothing still waits the time.
    virtual bool lastProcessEndedWithin(uint32_t milliseconds) = 0;
    // How many of the job's processes are running now; -1 when that cannot be read.
    virtual int32_t activeProcesses() = 0;
};

// How long the wait listens before it counts for itself.
constexpr uint32_t kJobCountEveryMs = 1000;

// True once the job has no process left. False as soon as the count cannot be read: the caller
// then waits for the process it started alone.
bool waitUntilJobEmpty(JobWatch& watch);
