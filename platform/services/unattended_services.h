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

#include "platform/services/forwarding_services.h"
#include "platform/services/run_log.h"

struct UnattendedSettings {
    bool silent = false;
    bool wait = false;
    // Exactly as written after "--", in UTF-16; appended after one space. Empty: nothing.
    std::u16string appendedArguments;
};

class UnattendedServices final : public ForwardingServices {
public:
    UnattendedServices(Services& system, RunLog& log, const UnattendedSettings& settings);

    bool showsBoxes() const { return showsBoxes_; }
    // Whether the exit code must tell how the run went: when its boxes are not seen, or when
    // its starter waits for the uninstall through it.
    bool reportsResults() const { return !showsBoxes_ || settings_.wait; }

    bool fileExists(const std::u16string& path) override;
    bool directoryProbe(const std::u16string& path) override;
    bool moveDirectory(const std::u16string& oldPath, const std::u16string& newPath) override;
    bool launch(const std::u16string& commandLine) override;
    LaunchOutcome launchAndWait(const std::u16string& commandLine,
                                const std::optional<uint32_t>& timeLimitSeconds) override;
    void showMessage(const std::string& text, const std::string& caption, uint32_t flags) override;
    void logNote(const std::string& text) override;

private:
    std::u16string withAppendedArguments(const std::u16string& commandLine);

    RunLog& log_;
    UnattendedSettings settings_;
    bool showsBoxes_;
};
