#pragma once
// The switches for runs that nobody watches, taken off the command line before the older options
// are looked for. Unlike those, they are matched as whole arguments, in any letter case, so that
// no path or value can set one off: -silent, -wait, -quiet, -log"<file>", -timeout"<seconds>", and
// "--", after which nothing is an option of isreloc's: the rest of the command line is the
// product's own. The texts they carry are taken in UTF-16, exactly as written.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/text/tokenizer.h"

struct UnattendedSwitches {
    bool silent = false;
    bool wait = false;
    // Uninstall mode starts the product's quiet uninstall command, and runs as -silent -wait.
    bool quiet = false;
    // As written after the first -log"; empty for no log.
    std::u16string logFile;
    // The seconds after the first -timeout: how long a wait may last. Empty: as long as it takes.
    std::optional<uint32_t> timeoutSeconds;
    // The first -timeout is not followed by a decimal number of seconds that fits 32 bits: the
    // command line is refused, like a window handle in the wrong form.
    bool timeoutRefused = false;
    // The command line after the first "--" argument and the blanks that follow it, exactly as
    // written: quotes and inner spacing kept.
    std::u16string appendedArguments;
};

struct CommandLineParts {
    int32_t argumentCount = 0;  // every argument after the program's path
    // The arguments the older options are looked for in, as the system's ANSI calls read them,
    // so that their byte rules see what they always saw; and the same arguments as written.
    std::vector<std::string> options;
    std::vector<std::u16string> writtenOptions;
    UnattendedSwitches switches;
};

// A text as the older options see it: 8-bit, as the system's ANSI calls would read it.
using ArgumentNarrowing = std::function<std::string(const std::u16string&)>;

// Splits the arguments after the program's path; raises only when memory runs out. What the
// process runs with, and what tells isreloc's own command in a stored value from a product's.
CommandLineParts splitArguments(std::vector<WideArgument> arguments, const ArgumentNarrowing& narrow);

enum class ProgramMode { install, uninstall, modify };

// The mode an argument list asks for: the first entry that is exactly "-u" or "-uninstall"
// (uninstall mode) or "-modify" (modify mode), compared without regard to letter case; install
// mode when there is none. Its index, or -1.
struct ModeSwitch {
    ProgramMode mode = ProgramMode::install;
    int32_t index = -1;
};
ModeSwitch findModeSwitch(const std::vector<std::string>& arguments);
