#include "app/process.h"

#include <optional>
#include <string>
#include <utility>

#include "app/exit_code.h"
#include "app/logging_registry.h"
#include "app/relocation_modes.h"
#include "platform/failure/failure.h"
#include "platform/services/run_log.h"
#include "platform/services/unattended_services.h"
#include "platform/text/utf8.h"

namespace {

// The box for a -timeout that is not a number of seconds: a command line refused before anything
// is looked at, like a window handle in the wrong form.
const char* const kIncorrectTimeoutText =
    "Incorrect timeout format!\r\nPlease pass the timeout in seconds, as a decimal number, to this application";
const char* const kIncorrectFormatCaption = "Incorrect format";

// A command line that cannot be split (memory runs out) runs without switches; the program then
// reports the argument list it cannot build.
std::optional<CommandLineParts> readParts(CommandLine& commandLine) {
    try {
        return splitCommandLine(commandLine);
    } catch (...) {
        return std::nullopt;
    }
}

void logStart(RunLog& log, CommandLine& commandLine, const CommandLineParts& parts, const UnattendedServices& services) {
    if (!log.kept()) return;
    log.write("command line: " + utf8FromUtf16(commandLine.text()));
    std::string options = "options:";
    for (const std::string& option : parts.options) options += " " + option;
    log.writeAnsi(options);
    const UnattendedSwitches& switches = parts.switches;
    log.write(std::string("boxes: ") +
              (services.showsBoxes() ? "shown"
                                     : switches.silent ? "not shown (-silent)" : "not shown (no one can see them here)"));
    if (switches.wait) log.write("-wait: the started command and every process it starts are waited for");
    if (switches.quiet) log.write("-quiet: the product's quiet uninstall command, as -silent -wait");
    if (switches.timeoutSeconds)
        log.write("-timeout: a wait ends after " + std::to_string(*switches.timeoutSeconds) + " seconds");
    if (!switches.appendedArguments.empty())
        log.write("appended to the started command: " + utf8FromUtf16(switches.appendedArguments));
}

}  // namespace

uint32_t runProcess(CommandLine& commandLine, Services& system, RegistryApi& registry, FailureReporter reportFailure) {
    std::optional<CommandLineParts> split = readParts(commandLine);
    const CommandLineParts parts = split.value_or(CommandLineParts());
    const UnattendedSwitches& switches = parts.switches;
    // -quiet runs as -silent -wait; modify mode waits for the product's Change as -wait does.
    const bool modifyMode = findModeSwitch(parts.options).mode == ProgramMode::modify;
    const StartSettings start{switches.wait || switches.quiet || modifyMode, switches.quiet, switches.timeoutSeconds};
    RunLog log(system, switches.logFile);
    UnattendedServices services(system, log, {switches.silent || switches.quiet, start.wait, switches.appendedArguments});
    const bool reportsResults = services.reportsResults();
    const FallbackRoute fallback(services, log, exitCodeAfterFallback(reportsResults));
    logStart(log, commandLine, parts, services);
    // After the log's path was made whole against the folder isreloc was started in.
    services.enterSystemDirectory();

    LoggingRegistryApi loggedRegistry(registry, log);
    RunOutcome outcome;
    RelocationModes modes(loggedRegistry, services, commandLine, outcome, start);
    uint32_t exitCode = 0;
    try {
        if (switches.timeoutRefused) {
            outcome.noteRefusal();
            services.showMessage(kIncorrectTimeoutText, kIncorrectFormatCaption, kTaskModalError);
        } else {
            runProgram(std::move(split), services, modes, outcome);
        }
        exitCode = exitCodeAtEnd(reportsResults, outcome);
    } catch (...) {
        reportFailure(std::current_exception(), services);
        exitCode = exitCodeAfterFailure(reportsResults);
    }
    log.write("exit code " + std::to_string(exitCode));
    return exitCode;
}
