#pragma once
// Where the arguments come from: the process's own command line on Windows, or a given text.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/tokenizer.h"

class CommandLine {
public:
    virtual ~CommandLine() = default;
    // The whole command line, token 0 included, zero-terminated.
    virtual const char* text() = 0;
    // The full path of the running program, never cut short; empty when it cannot be read.
    virtual std::string ownPath() = 0;
    // The same in UTF-16, as the system holds it: what the uninstall command is written with.
    virtual std::u16string ownWidePath() = 0;
    virtual CharStepper stepper() { return singleByteStep; }

    int32_t argumentCount() { return ::argumentCount(text(), stepper()); }
    // Index 0 is the program's own path; 1..argumentCount() the arguments; else the empty text.
    std::string argumentAt(int32_t index) {
        return index == 0 ? ownPath() : argumentAfterToken0(text(), index, stepper());
    }
    // Arguments 1..argumentCount() in one pass.
    virtual std::vector<std::string> arguments() { return allArguments(text(), stepper()); }
};

// A command line given as text, with single-byte characters: what a test or a non-Windows
// build hands the program.
class FixedCommandLine : public CommandLine {
public:
    FixedCommandLine(std::string text, std::string ownPath) : text_(std::move(text)), ownPath_(std::move(ownPath)) {}
    const char* text() override { return text_.c_str(); }
    std::string ownPath() override { return ownPath_; }
    // The given path read as Latin-1, one character per byte.
    std::u16string ownWidePath() override { return std::u16string(ownPath_.begin(), ownPath_.end()); }

private:
    std::string text_;
    std::string ownPath_;
};
