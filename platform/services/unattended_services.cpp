#include "platform/services/unattended_services.h"

#include "platform/text/utf8.h"

UnattendedServices::UnattendedServices(Services& system, RunLog& log, const UnattendedSettings& settings)
    : ForwardingServices(system),
      log_(log),
      settings_(settings),
      showsBoxes_(!settings.silent && system.interactiveWindowStation()) {}

bool UnattendedServices::fileExists(const std::u16string& path) {
    const bool exists = inner().fileExists(path);
    log_.write((exists ? "found file " : "no file ") + utf8FromUtf16(path));
    return exists;
}

bool UnattendedServices::directoryProbe(const std::u16string& path) {
    const bool found = inner().directoryProbe(path);
    log_.write((found ? "found folder " : "no folder ") + utf8FromUtf16(path));
    return found;
}

bool UnattendedServices::moveDirectory(const std::u16string& oldPath, const std::u16string& newPath) {
    const bool moved = inner().moveDirectory(oldPath, newPath);
    log_.write((moved ? "moved folder " : "could not move folder ") + utf8FromUtf16(oldPath) + " to " +
               utf8FromUtf16(newPath));
    return moved;
}

bool UnattendedServices::launch(const std::u16string& commandLine) {
    const std::u16string command = withAppendedArguments(commandLine);
    log_.write("starting " + utf8FromUtf16(command));
    const bool started = inner().launch(command);
    if (!started) log_.write("the command could not be started");
    return started;
}

std::u16string UnattendedServices::withAppendedArguments(const std::u16string& commandLine) {
    if (settings_.appendedArguments.empty()) return commandLine;
    return commandLine + u' ' + settings_.appendedArguments;
}

LaunchOutcome UnattendedServices::launchAndWait(const std::u16string& commandLine,
                                               const std::optional<uint32_t>& timeLimitSeconds) {
    const std::u16string command = withAppendedArguments(commandLine);
    log_.write("starting " + utf8FromUtf16(command) + " and waiting for it and every process it starts" +
               (timeLimitSeconds ? " for at most " + std::to_string(*timeLimitSeconds) + " seconds" : ""));
    const LaunchOutcome outcome = inner().launchAndWait(command, timeLimitSeconds);
    if (!outcome.started) {
        log_.write("the command could not be started");
        return outcome;
    }
    if (outcome.timedOut) {
        log_.write("stopped waiting after " + std::to_string(timeLimitSeconds.value_or(0)) +
                   " seconds (-timeout): the started program, or what it started, may still run");
        return outcome;
    }
    if (!outcome.everyProcessEnded)
        log_.write("the started program could not be followed into a job: it was waited for alone, and what it "
                   "started may still run");
    log_.write(outcome.exitCodeRead ? "the started program ended with exit code " + std::to_string(outcome.exitCode)
                                    : std::string("the started program ended; its exit code could not be read"));
    return outcome;
}

void UnattendedServices::logNote(const std::string& text) { log_.writeAnsi(text); }

void UnattendedServices::showMessage(const std::string& text, const std::string& caption, uint32_t flags) {
    // Logged before it is shown: a box nobody answers must not keep its text from the log.
    log_.writeAnsi("box \"" + caption + "\"" + (showsBoxes_ ? "" : " (not shown)") + ": " + text);
    if (showsBoxes_) inner().showMessage(text, caption, flags);
}
