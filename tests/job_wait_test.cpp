#include <gtest/gtest.h>

#include <vector>

#include "platform/services/job_wait.h"

namespace {

// A job whose messages and counts are scripted, one per look; it never really waits.
class ScriptedJob : public JobWatch {
public:
    ScriptedJob(std::vector<bool> endMessages, std::vector<int32_t> counts)
        : endMessages_(std::move(endMessages)), counts_(std::move(counts)) {}

    bool lastProcessEndedWithin(uint32_t milliseconds) override {
        listens.push_back(milliseconds);
        const std::size_t at = listens.size() - 1;
        return at < endMessages_.size() && endMessages_[at];
    }
    int32_t activeProcesses() override {
        // A script that runs out means the wait looked further than the job allows.
        return counts_.at(countsRead++);
    }

    std::vector<uint32_t> listens;
    std::size_t countsRead = 0;

private:
    std::vector<bool> endMessages_;
    std::vector<int32_t> counts_;
};

struct WaitRow {
    const char* name;
    std::vector<bool> endMessages;
    std::vector<int32_t> counts;
    bool ended;
    std::size_t listens;
};

const WaitRow kRows[] = {
    {"the end message ends the wait", {false, false, true}, {2, 1}, true, 3},
    {"a lost end message: the count ends the wait", {false, false, false}, {2, 1, 0}, true, 3},
    {"a child that lingers keeps the wait going", {false, false, false, false}, {1, 1, 1, 0}, true, 4},
    {"a job that cannot be counted is given up", {false}, {-1}, false, 1},
};

TEST(JobWait, EndsWhenTheJobHasNoProcessLeft) {
    for (const WaitRow& row : kRows) {
        SCOPED_TRACE(row.name);
        ScriptedJob job(row.endMessages, row.counts);
        EXPECT_EQ(waitUntilJobEmpty(job), row.ended);
        EXPECT_EQ(job.listens.size(), row.listens);
        for (uint32_t listen : job.listens) EXPECT_EQ(listen, kJobCountEveryMs);
    }
}

}  // namespace
