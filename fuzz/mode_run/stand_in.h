#pragma once
// The stand-in for the product's uninstaller or Change, which a run starts and waits for.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/services/forwarding_services.h"
#include "tests/support/memory_file_services.h"
#include "tests/support/memory_registry.h"

namespace mode_run {

// What the program a run starts and waits for does, as the input chooses: it ends with a code,
// and removes the product's key and folder under the name it was started for (a completed
// uninstall) or leaves them (a cancelled one, or a Change). The wait may not see all of it: the
// program could not join a job and was waited for alone, it ran past -timeout, or its exit code
// could not be read.
enum class WaitEnd { everyProcess, alone, pastTimeLimit, codeUnread };
struct StandIn {
    bool starts = true;
    uint32_t exitCode = 0;
    bool removesProduct = false;
    WaitEnd end = WaitEnd::everyProcess;
    std::string name;  // the product's name while its command runs: the restored one
    std::string root;  // the maintenance root
    std::function<void()> atStart;  // what a check wants to see the moment it starts
};

class StandInServices final : public ForwardingServices {
public:
    StandInServices(Services& inner, MemoryRegistry& store, MemoryFileServices& files, const StandIn& standIn)
        : ForwardingServices(inner), store_(store), files_(files), standIn_(standIn) {}

    LaunchOutcome launchAndWait(const std::u16string& commandLine, const std::optional<uint32_t>& limit) override;
    int waits = 0;
    bool timedOut = false;

private:
    MemoryRegistry& store_;
    MemoryFileServices& files_;
    StandIn standIn_;
};

}  // namespace mode_run
