#include "platform/services/job_wait.h"

bool waitUntilJobEmpty(JobWatch& watch) {
    for (;;) {
        if (watch.lastProcessEndedWithin(kJobCountEveryMs)) return true;
        const int32_t active = watch.activeProcesses();
        if (active < 0) return false;
        if (active == 0) return true;
    }
}
