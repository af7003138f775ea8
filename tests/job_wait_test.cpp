#include <gtest/gtest.h>

#include <vector>

#include "platform/services/job_wait.h"

namespace {

// A job whose end message and counts are scripted, one per look; it never really waits.
class ScriptedJob : public JobWatch {
public:
    ScriptedJob(std::vector<bool> endMessages, std::vector<int32_t> counts)
        : endMessages_(std::move(endMessages)), counts_(std::move(counts)) {}

    bool lastProcessEndedWithin(uint32_t milliseconds) override {
        EXPECT_EQ(milliseconds, kJobCountEveryMs);
        return endMessages_.at(listens++);
    }
    int32_t activeProcesses() override { return counts_.at(countsRead++); }

    std::size_t listens = 0;
    std::size_t countsRead = 0;

private:
    std::vector<bool> endMessages_;
    std::vector<int32_t> counts_;
};

TEST(JobWait, EndsWhenTheJobHasNoProcessLeft) {
    const struct {
        const char* name;
        std::vector<bool> endMessages;
        std::vector<int32_t> counts;
        bool ended;
        std::size_t listens;
    } rows[] = {
        {"the end message ends the wait", {false, false, true}, {2, 1}, true, 3},
        {"a lost end message: the count ends the wait", {false, false, false}, {2, 1, 0}, true, 3},
        {"a job that cannot be counted is given up", {false}, {-1}, false, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedJob job(row.endMessages, row.counts);
        EXPECT_EQ(waitUntilJobEmpty(job), row.ended);
        EXPECT_EQ(job.listens, row.listens);
    }
}

}  // namespace
