#include "platform/services/unattended_services.h"

#include "platform/text/utf8.h"

const char* const kStartFailedCaption = "Launch Error";
const char* const kStartFailedText = "Launch Error!\r\nUnable to start the uninstall command";

UnattendedServices::UnattendedServices(Services& system, RunLog& log, const UnattendedSettings& settings)
    : ForwardingServices(system),
      log_(log),
      settings_(settings),
      showsBoxes_(!settings.silent && system.interactiveWindowStation()) {}

bool UnattendedServices::fileExists(const std::string& path) {
    const bool exists = inner().fileExists(path);
    log_.writeAnsi((exists ? "found file " : "no file ") + path);
    return exists;
}

bool UnattendedServices::directoryProbe(const std::string& path) {
    const bool entered = inner().directoryProbe(path);
    log_.writeAnsi((entered ? "found folder " : "no folder ") + path);
    return entered;
}

bool UnattendedServices::moveDirectory(const std::string& oldPath, const std::string& newPath) {
    const bool moved = inner().moveDirectory(oldPath, newPath);
    log_.writeAnsi((moved ? "moved folder " : "could not move folder ") + oldPath + " to " + newPath);
    return moved;
}

void UnattendedServices::launchCommand(const std::string& commandLine) {
    const std::string command =
        settings_.appendedArguments.empty() ? commandLine : commandLine + ' ' + settings_.appendedArguments;
    log_.writeAnsi("starting " + command);
    inner().launchCommand(command);
}

void UnattendedServices::launchWideCommand(const std::u16string& commandLine) {
    const std::u16string command = withAppendedArguments(commandLine);
    log_.write("starting " + utf8FromUtf16(command));
    inner().launchWideCommand(command);
}

std::u16string UnattendedServices::withAppendedArguments(const std::u16string& commandLine) {
    if (settings_.appendedArguments.empty()) return commandLine;
    return commandLine + u' ' + inner().widenAnsi(settings_.appendedArguments);
}

LaunchOutcome UnattendedServices::launchAndWait(const std::u16string& commandLine,
                                               const std::optional<uint32_t>& timeLimitSeconds) {
    const std::u16string command = withAppendedArguments(commandLine);
    log_.write("starting " + utf8FromUtf16(command) + " and waiting for it and every process it starts" +
               (timeLimitSeconds ? " for at most " + std::to_string(*timeLimitSeconds) + " seconds" : ""));
    const LaunchOutcome outcome = inner().launchAndWait(command, timeLimitSeconds);
    waitedLaunch_ = outcome;
    if (!outcome.started) {
        // With -wait the exit code is the uninstall's result: a start that went unnoticed would
        // report an uninstall that never happened.
        showMessage(kStartFailedText, kStartFailedCaption, kTaskModalError);
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
    boxCaptions_.push_back(caption);
    // Logged before it is shown: a box nobody answers must not keep its text from the log.
    log_.writeAnsi("box \"" + caption + "\"" + (showsBoxes_ ? "" : " (not shown)") + ": " + text);
    if (showsBoxes_) inner().showMessage(text, caption, flags);
}
