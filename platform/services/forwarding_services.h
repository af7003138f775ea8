#pragma once
// Services that hand every call to other services: the base of a decorator that changes only
// the calls it overrides.
#include "platform/services/services.h"

class ForwardingServices : public Services {
public:
    explicit ForwardingServices(Services& inner) : inner_(inner) {}

    int32_t fileAge(const std::u16string& path) override { return inner_.fileAge(path); }
    bool fileExists(const std::u16string& path) override { return inner_.fileExists(path); }
    bool directoryProbe(const std::u16string& path) override { return inner_.directoryProbe(path); }
    bool moveDirectory(const std::u16string& oldPath, const std::u16string& newPath) override {
        return inner_.moveDirectory(oldPath, newPath);
    }
    bool launch(const std::u16string& commandLine) override { return inner_.launch(commandLine); }
    LaunchOutcome launchAndWait(const std::u16string& commandLine,
                                const std::optional<uint32_t>& timeLimitSeconds) override {
        return inner_.launchAndWait(commandLine, timeLimitSeconds);
    }
    std::u16string expandWideEnvironment(const std::u16string& text) override {
        return inner_.expandWideEnvironment(text);
    }
    bool windowAlive(int32_t window) override { return inner_.windowAlive(window); }
    void pauseFor(uint32_t milliseconds) override { inner_.pauseFor(milliseconds); }
    void enterSystemDirectory() override { inner_.enterSystemDirectory(); }
    void showMessage(const std::string& text, const std::string& caption, uint32_t flags) override {
        inner_.showMessage(text, caption, flags);
    }
    bool interactiveWindowStation() override { return inner_.interactiveWindowStation(); }
    std::u16string widenAnsi(const std::string& text) override { return inner_.widenAnsi(text); }
    std::u16string fullPath(const std::u16string& path) override { return inner_.fullPath(path); }
    std::unique_ptr<AppendFile> openForAppending(const std::u16string& path) override {
        return inner_.openForAppending(path);
    }
    LocalTime localTime() override { return inner_.localTime(); }
    MoveLockGrant takeMoveLock(uint32_t waitMilliseconds) override { return inner_.takeMoveLock(waitMilliseconds); }
    void logNote(const std::string& text) override { inner_.logNote(text); }

protected:
    Services& inner() { return inner_; }

private:
    Services& inner_;
};
