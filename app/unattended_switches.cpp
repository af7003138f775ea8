#include "app/unattended_switches.h"

#include "platform/text/text.h"

namespace {

const char* const kSilentSwitch = "-silent";
const char* const kWaitSwitch = "-wait";
const char* const kQuietSwitch = "-quiet";
const std::string kLogSwitch = "-log";  // the file name follows it in the same argument
const std::string kTimeoutSwitch = "-timeout";  // the seconds follow it in the same argument
const char* const kEndOfOptions = "--";

bool isSeparator(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 0x01 && byte <= 0x20;
}

// The text after argument `index` and the blanks that follow it.
std::string textAfterArgument(CommandLine& commandLine, int32_t index) {
    const char* rest = argumentEnd(commandLine.text(), index, commandLine.stepper());
    while (isSeparator(*rest)) ++rest;
    return rest;
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

CommandLineParts splitCommandLine(CommandLine& commandLine) {
    CommandLineParts parts;
    std::vector<std::string> arguments = commandLine.arguments();
    parts.argumentCount = static_cast<int32_t>(arguments.size());
    UnattendedSwitches& switches = parts.switches;
    bool logSeen = false;
    bool timeoutSeen = false;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        std::string& argument = arguments[at];
        const std::string lowered = lowerAscii(argument);
        if (equalText(lowered, kEndOfOptions)) {
            switches.appendedArguments = textAfterArgument(commandLine, static_cast<int32_t>(at) + 1);
            break;
        }
        if (equalText(lowered, kSilentSwitch)) {
            switches.silent = true;
        } else if (equalText(lowered, kWaitSwitch)) {
            switches.wait = true;
        } else if (equalText(lowered, kQuietSwitch)) {
            switches.quiet = true;
        } else if (findText(kLogSwitch, lowered) == 1) {
            if (!logSeen) switches.logFile = argument.substr(kLogSwitch.size());
            logSeen = true;
        } else if (findText(kTimeoutSwitch, lowered) == 1) {
            if (!timeoutSeen) {
                switches.timeoutSeconds = decimalSeconds(argument.substr(kTimeoutSwitch.size()));
                switches.timeoutRefused = !switches.timeoutSeconds;
            }
            timeoutSeen = true;
        } else {
            parts.options.push_back(std::move(argument));
        }
    }
    return parts;
}
