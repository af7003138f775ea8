#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/services/job_wait.h"

namespace {

// A job whose end message and counts are scripted, one per look; it never really waits (its clock moves as it listens).
class ScriptedJob : public JobWatch {
public:
    ScriptedJob(std::vector<bool> endMessages, std::vector<int32_t> counts)
        : endMessages_(std::move(endMessages)), counts_(std::move(counts)) {}

    bool lastProcessEndedWithin(uint32_t milliseconds) override {
        EXPECT_LE(milliseconds, kJobCountEveryMs);
        clock += milliseconds;
        return endMessages_.at(listens++);
    }
    int32_t activeProcesses() override { return counts_.at(countsRead++); }
    uint64_t elapsedMilliseconds() override { return clock; }

    std::size_t listens = 0;
    std::size_t countsRead = 0;
    uint64_t clock = 0;

private:
    std::vector<bool> endMessages_;
    std::vector<int32_t> counts_;
};

TEST(JobWait, EndsWhenTheJobHasNoProcessLeft) {
    const struct {
        const char* name;
        std::vector<bool> endMessages;
        std::vector<int32_t> counts;
        JobWaitEnd end;
        std::size_t listens;
        std::optional<uint64_t> limit;
    } rows[] = {
        {"the end message ends the wait", {false, false, true}, {2, 1}, JobWaitEnd::emptied, 3, {}},
        {"a lost end message: the count ends the wait", {false, false, false}, {2, 1, 0}, JobWaitEnd::emptied, 3, {}},
        {"a job that cannot be counted is given up", {false}, {-1}, JobWaitEnd::uncountable, 1, {}},
        {"a job that never empties ends at the limit", {false, false, false}, {1, 1, 1}, JobWaitEnd::timedOut, 3, 2500},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedJob job(row.endMessages, row.counts);
        EXPECT_EQ(waitUntilJobEmpty(job, row.limit), row.end);
        EXPECT_EQ(job.listens, row.listens);
        EXPECT_LE(job.clock, row.limit.value_or(UINT64_MAX));  // never listening past the limit
    }
}

}  // namespace
