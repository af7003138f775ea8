#pragma once
// The services on Windows: each operation is the system call or short fixed sequence of calls
// that the modes rely on, with every failure turned into a false result or ignored. Files and
// folders are named to the system through its wide calls, a path of MAX_PATH characters or more
// with the long-path prefix, so that no name the modes accept is cut short.
#include "platform/services/services.h"

class Win32Services final : public Services {
public:
    int32_t fileAge(const std::u16string& path) override;
    bool fileExists(const std::u16string& path) override;
    bool directoryProbe(const std::u16string& path) override;
    bool moveDirectory(const std::u16string& oldPath, const std::u16string& newPath) override;
    bool launch(const std::u16string& commandLine) override;
    std::u16string expandWideEnvironment(const std::u16string& text) override;
    bool windowAlive(int32_t window) override;
    void pauseFor(uint32_t milliseconds) override;
    void enterSystemDirectory() override;
    void showMessage(const std::string& text, const std::string& caption, uint32_t flags) override;
    LaunchOutcome launchAndWait(const std::u16string& commandLine,
                                const std::optional<uint32_t>& timeLimitSeconds) override;
    bool interactiveWindowStation() override;
    std::u16string widenAnsi(const std::string& text) override;
    std::u16string fullPath(const std::u16string& path) override;
    std::unique_ptr<AppendFile> openForAppending(const std::u16string& path) override;
    LocalTime localTime() override;
    MoveLockGrant takeMoveLock(uint32_t waitMilliseconds) override;
};
