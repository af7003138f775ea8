#pragma once
// Services for mode tests that count every file, window and process call a mode makes, and can
// make any one of them fail, or "kill" the run right after it: the call takes effect, then a
// KilledRun is thrown that only the test harness catches, and every later call of the dead run
// throws again. A failed call answers the way the system's own failure would: a false or -1
// result, a text left unexpanded, a program not started, a pause that does not pause, a box
// that is not shown.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/services/services.h"
#include "tests/support/recording_services.h"

// Thrown when a test kills a run. Not derived from std::exception or Exception, so that no
// handler of the program's own can take it for a failure it knows.
struct KilledRun {};

// Shared by the decorators of one run: once killed, the run makes no further call that counts.
struct RunLife {
    bool killed = false;
};

enum class ServiceCall {
    fileAge,
    fileExists,
    directoryProbe,
    moveDirectory,
    launch,
    expandEnvironment,
    windowAlive,
    pauseFor,
    showMessage,
};

inline const char* serviceCallName(ServiceCall kind) {
    switch (kind) {
    case ServiceCall::fileAge: return "fileAge";
    case ServiceCall::fileExists: return "fileExists";
    case ServiceCall::directoryProbe: return "directoryProbe";
    case ServiceCall::moveDirectory: return "moveDirectory";
    case ServiceCall::launch: return "launch";
    case ServiceCall::expandEnvironment: return "expandEnvironment";
    case ServiceCall::windowAlive: return "windowAlive";
    case ServiceCall::pauseFor: return "pauseFor";
    case ServiceCall::showMessage: return "showMessage";
    }
    return "?";
}

class ServicesSwitch : public Services {
public:
    struct Call {
        ServiceCall kind;
        std::string detail;  // the path, command, window or box caption the call was about
        bool failed;
    };

    ServicesSwitch(Services& inner, RunLife& life) : inner_(inner), life_(life) {}

    // Calls are numbered from 1 in the order made.
    void failCall(uint64_t number) { failingCalls_.insert(number); }
    void failEvery(ServiceCall kind) { failingKinds_.insert(kind); }
    // The run dies right after the call with this number has taken effect.
    void killAfter(uint64_t number) { killAfter_ = number; }

    const std::vector<Call>& calls() const { return calls_; }
    uint64_t callCount() const { return calls_.size(); }
    // Every box the mode asked for, shown or not.
    const std::vector<RecordedMessage>& boxesAsked() const { return boxesAsked_; }

    int32_t fileAge(const std::u16string& path) override {
        const bool fail = begin(ServiceCall::fileAge, shown(path));
        const int32_t age = fail ? -1 : inner_.fileAge(path);
        end();
        return age;
    }
    bool fileExists(const std::u16string& path) override {
        const bool fail = begin(ServiceCall::fileExists, shown(path));
        const bool exists = !fail && inner_.fileExists(path);
        end();
        return exists;
    }
    bool directoryProbe(const std::u16string& path) override {
        const bool fail = begin(ServiceCall::directoryProbe, shown(path));
        const bool found = !fail && inner_.directoryProbe(path);
        end();
        return found;
    }
    bool moveDirectory(const std::u16string& from, const std::u16string& to) override {
        const bool fail = begin(ServiceCall::moveDirectory, shown(from) + " -> " + shown(to));
        const bool moved = !fail && inner_.moveDirectory(from, to);
        end();
        return moved;
    }
    bool launch(const std::u16string& command) override {
        const bool started = !begin(ServiceCall::launch, shown(command)) && inner_.launch(command);
        end();
        return started;
    }
    std::u16string expandWideEnvironment(const std::u16string& text) override {
        const bool fail = begin(ServiceCall::expandEnvironment, shown(text));
        std::u16string expanded = fail ? text : inner_.expandWideEnvironment(text);
        end();
        return expanded;
    }
    bool windowAlive(int32_t window) override {
        const bool fail = begin(ServiceCall::windowAlive, std::to_string(window));
        const bool alive = !fail && inner_.windowAlive(window);
        end();
        return alive;
    }
    void pauseFor(uint32_t milliseconds) override {
        if (!begin(ServiceCall::pauseFor, std::to_string(milliseconds))) inner_.pauseFor(milliseconds);
        end();
    }
    void showMessage(const std::string& text, const std::string& caption, uint32_t flags) override {
        boxesAsked_.push_back({text, caption, flags});
        if (!begin(ServiceCall::showMessage, caption)) inner_.showMessage(text, caption, flags);
        end();
    }
    // What the modes never call themselves is passed on uncounted.
    LaunchOutcome launchAndWait(const std::u16string& command, const std::optional<uint32_t>& timeLimit) override {
        return inner_.launchAndWait(command, timeLimit);
    }
    void enterSystemDirectory() override { inner_.enterSystemDirectory(); }
    bool interactiveWindowStation() override { return inner_.interactiveWindowStation(); }
    std::u16string widenAnsi(const std::string& text) override { return inner_.widenAnsi(text); }
    std::u16string fullPath(const std::u16string& path) override { return inner_.fullPath(path); }
    std::unique_ptr<AppendFile> openForAppending(const std::u16string& path) override {
        return inner_.openForAppending(path);
    }
    LocalTime localTime() override { return inner_.localTime(); }
    MoveLockGrant takeMoveLock(uint32_t waitMilliseconds) override { return inner_.takeMoveLock(waitMilliseconds); }
    void logNote(const std::string& text) override { inner_.logNote(text); }

private:
    // A wide text as the table shows it: characters beyond ASCII as '?'.
    static std::string shown(const std::u16string& text) {
        std::string result;
        for (char16_t unit : text) result += unit < 0x80 ? static_cast<char>(unit) : '?';
        return result;
    }

    // Records the call; says whether it is to fail. A dead run makes no call.
    bool begin(ServiceCall kind, const std::string& detail) {
        if (life_.killed) throw KilledRun{};
        const uint64_t number = calls_.size() + 1;
        const bool fail = failingCalls_.count(number) != 0 || failingKinds_.count(kind) != 0;
        calls_.push_back({kind, detail, fail});
        return fail;
    }
    void end() {
        if (calls_.size() != killAfter_) return;
        life_.killed = true;
        throw KilledRun{};
    }

    Services& inner_;
    RunLife& life_;
    std::set<uint64_t> failingCalls_;
    std::set<ServiceCall> failingKinds_;
    uint64_t killAfter_ = 0;  // 0: never
    std::vector<Call> calls_;
    std::vector<RecordedMessage> boxesAsked_;
};
