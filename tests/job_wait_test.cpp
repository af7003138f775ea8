#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/services/job_wait.h"

namespace {

// A job whose end message and counts are scripted, one per look, on a clock that moves only by
// the time each look listens for; it never really waits.
class ScriptedJob : public JobWatch {
public:
    ScriptedJob(std::vector<bool> endMessages, std::vector<int32_t> counts)
        : endMessages_(std::move(endMessages)), counts_(std::move(counts)) {}

    bool lastProcessEndedWithin(uint32_t milliseconds) override {
        listens.push_back(milliseconds);
        clock_ += milliseconds;
        return endMessages_.at(listens.size() - 1);
    }
    int32_t activeProcesses() override { return counts_.at(countsRead++); }
    uint64_t elapsedMilliseconds() override { return clock_; }

    std::vector<uint32_t> listens;
    std::size_t countsRead = 0;

private:
    std::vector<bool> endMessages_;
    std::vector<int32_t> counts_;
    uint64_t clock_ = 0;
};

TEST(JobWait, EndsWhenTheJobHasNoProcessLeftOrTheTimeIsUp) {
    const struct {
        const char* name;
        std::vector<bool> endMessages;
        std::vector<int32_t> counts;
        std::optional<uint64_t> limit;
        JobWaitEnd end;
        std::vector<uint32_t> listens;
    } rows[] = {
        {"the end message ends the wait", {false, false, true}, {2, 1}, std::nullopt, JobWaitEnd::emptied,
         {1000, 1000, 1000}},
        {"a lost end message: the count ends the wait", {false, false, false}, {2, 1, 0}, std::nullopt,
         JobWaitEnd::emptied, {1000, 1000, 1000}},
        {"a job that cannot be counted is given up", {false}, {-1}, std::nullopt, JobWaitEnd::uncountable, {1000}},
        {"a job that never empties: the limit ends the wait, never listening past it", {false, false, false},
         {1, 1, 1}, 2500, JobWaitEnd::timedOut, {1000, 1000, 500}},
        {"a job that empties at the limit has emptied", {false, false}, {1, 0}, 2000, JobWaitEnd::emptied,
         {1000, 1000}},
        {"no time at all: nothing is listened for", {}, {}, 0, JobWaitEnd::timedOut, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedJob job(row.endMessages, row.counts);
        EXPECT_EQ(waitUntilJobEmpty(job, row.limit), row.end);
        EXPECT_EQ(job.listens, row.listens);
    }
}

}  // namespace
