#pragma once
// The services as a run uses them when whoever started it may not be watching: a deployment
// engine running the uninstall command as SYSTEM, with no one at the screen, that takes the end
// of the process for the end of the uninstall and its exit code for the result.
//
// This is the one place that decides whether a box can be shown: only on a window station
// someone can see, and only without -silent. A box that cannot be shown is only logged; every
// box is logged in any case, and so is each folder and file looked for, each folder moved and
// each program started. Programs start with the arguments written after "--" appended; the mode
// decides whether it waits for them.
#include <optional>
#include <string>
#include <vector>

#include "platform/services/forwarding_services.h"
#include "platform/services/run_log.h"

struct UnattendedSettings {
    bool silent = false;
    bool wait = false;
    // 8-bit text exactly as written after "--"; appended after one space. Empty: nothing.
    std::string appendedArguments;
};

// The box for a program that -wait was to wait for but that could not be started.
extern const char* const kStartFailedCaption;
extern const char* const kStartFailedText;

class UnattendedServices final : public ForwardingServices {
public:
    UnattendedServices(Services& system, RunLog& log, const UnattendedSettings& settings);

    bool showsBoxes() const { return showsBoxes_; }
    // Whether the exit code must tell how the run went: when its boxes are not seen, or when
    // its starter waits for the uninstall through it.
    bool reportsResults() const { return !showsBoxes_ || settings_.wait; }
    // The caption of every box, shown or only logged, in order.
    const std::vector<std::string>& boxCaptions() const { return boxCaptions_; }
    // What the program waited for came to; empty when none was.
    const std::optional<LaunchOutcome>& waitedLaunch() const { return waitedLaunch_; }

    bool fileExists(const std::string& path) override;
    bool directoryProbe(const std::string& path) override;
    bool moveDirectory(const std::string& oldPath, const std::string& newPath) override;
    void launchCommand(const std::string& commandLine) override;
    void launchWideCommand(const std::u16string& commandLine) override;
    // Also shows (or logs) the box for a program that could not be started: when isreloc waits,
    // its exit code is the program's result, and a start that went unnoticed would report a
    // result that never came.
    LaunchOutcome launchAndWait(const std::u16string& commandLine,
                                const std::optional<uint32_t>& timeLimitSeconds) override;
    void showMessage(const std::string& text, const std::string& caption, uint32_t flags) override;
    void logNote(const std::string& text) override;

private:
    std::u16string withAppendedArguments(const std::u16string& commandLine);

    RunLog& log_;
    UnattendedSettings settings_;
    bool showsBoxes_;
    std::vector<std::string> boxCaptions_;
    std::optional<LaunchOutcome> waitedLaunch_;
};
