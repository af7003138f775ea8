#include "platform/services/job_wait.h"

#include <algorithm>

JobWaitEnd waitUntilJobEmpty(JobWatch& watch, const std::optional<uint64_t>& limitMilliseconds) {
    for (;;) {
        uint32_t listen = kJobCountEveryMs;
        if (limitMilliseconds) {
            const uint64_t elapsed = watch.elapsedMilliseconds();
            if (elapsed >= *limitMilliseconds) return JobWaitEnd::timedOut;
            listen = static_cast<uint32_t>(std::min<uint64_t>(listen, *limitMilliseconds - elapsed));
        }
        if (watch.lastProcessEndedWithin(listen)) return JobWaitEnd::emptied;
        const int32_t active = watch.activeProcesses();
        if (active < 0) return JobWaitEnd::uncountable;
        if (active == 0) return JobWaitEnd::emptied;
    }
}
