#include "relocation/unattended_switches.h"

#include "platform/text/text.h"

namespace {

const char* const kSilentSwitch = "-silent";
const char* const kWaitSwitch = "-wait";
const char* const kQuietSwitch = "-quiet";
// The file name follows in quotes, in the same argument: "-logo" is not a log named "o".
const std::string kLogSwitch = "-log";
const std::string kWrittenLog = "-log\"";
const std::string kTimeoutSwitch = "-timeout";  // the seconds follow it in the same argument
const char* const kEndOfOptions = "--";

// The text after an argument and the blanks that follow it.
std::u16string textAfter(const char16_t* stop) {
    while (separatesArguments(*stop)) ++stop;
    return stop;
}

// Decimal digits only, at most what 32 bits hold; nothing for anything else.
std::optional<uint32_t> decimalSeconds(const std::string& text) {
    if (text.empty()) return std::nullopt;
    uint64_t seconds = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        seconds = seconds * 10 + static_cast<uint64_t>(c - '0');
        if (seconds > UINT32_MAX) return std::nullopt;
    }
    return static_cast<uint32_t>(seconds);
}

}  // namespace

CommandLineParts splitArguments(std::vector<WideArgument> arguments, const ArgumentNarrowing& narrow) {
    CommandLineParts parts;
    parts.argumentCount = static_cast<int32_t>(arguments.size());
    UnattendedSwitches& switches = parts.switches;
    bool logSeen = false;
    bool timeoutSeen = false;
    for (WideArgument& argument : arguments) {
        std::string narrowed = narrow(argument.argument);
        const std::string lowered = lowerAscii(narrowed);
        if (equalText(lowered, kEndOfOptions)) {
            switches.appendedArguments = textAfter(argument.stop);
            break;
        }
        if (equalText(lowered, kSilentSwitch)) {
            switches.silent = true;
        } else if (equalText(lowered, kWaitSwitch)) {
            switches.wait = true;
        } else if (equalText(lowered, kQuietSwitch)) {
            switches.quiet = true;
        } else if (findText(kLogSwitch, lowered) == 1) {
            // Taken off the options as it always was; only the quoted form names the log.
            const bool namesFile = findText(kWrittenLog, lowerAscii(narrow(argument.written))) == 1;
            if (!logSeen && namesFile) switches.logFile = argument.argument.substr(kLogSwitch.size());
            logSeen = logSeen || namesFile;
        } else if (findText(kTimeoutSwitch, lowered) == 1) {
            if (!timeoutSeen) {
                switches.timeoutSeconds = decimalSeconds(narrowed.substr(kTimeoutSwitch.size()));
                switches.timeoutRefused = !switches.timeoutSeconds;
            }
            timeoutSeen = true;
        } else {
            parts.options.push_back(std::move(narrowed));
            parts.writtenOptions.push_back(std::move(argument.argument));
        }
    }
    return parts;
}

ModeSwitch findModeSwitch(const std::vector<std::string>& arguments) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string argument = lowerAscii(arguments[i]);
        if (equalText(argument, "-u") || equalText(argument, "-uninstall"))
            return {ProgramMode::uninstall, static_cast<int32_t>(i)};
        if (equalText(argument, "-modify")) return {ProgramMode::modify, static_cast<int32_t>(i)};
    }
    return {};
}
