#pragma once
// Where the arguments come from: the process's own command line on Windows, or a given text. The
// command line is read as the system holds it, in UTF-16, so that a path or an argument for the
// product holding characters outside the ANSI code page arrives as written.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "relocation/unattended_switches.h"

class CommandLine {
public:
    virtual ~CommandLine() = default;
    // The whole command line, token 0 included, zero-terminated.
    virtual const char16_t* text() = 0;
    // A text as the system's ANSI calls would read it: a character the code page lacks becomes
    // '?', never a look-alike (a look-alike could turn into a quote, or into another name).
    virtual std::string narrow(const std::u16string& text) = 0;
    // The full path of the running program, never cut short; empty when it cannot be read. What
    // the uninstall command is written with.
    virtual std::u16string ownWidePath() = 0;

    // The arguments after token 0, in one pass.
    virtual std::vector<WideArgument> arguments() { return allWideArguments(text()); }
};

// A command line given as text: what a test or a non-Windows build hands the program. Its ANSI
// code page is Latin-1.
class FixedCommandLine : public CommandLine {
public:
    // Both read as Latin-1, one character per byte.
    FixedCommandLine(const std::string& text, const std::string& ownPath)
        : FixedCommandLine(latin1(text), latin1(ownPath)) {}
    FixedCommandLine(std::u16string text, std::u16string ownPath) : text_(std::move(text)), ownPath_(std::move(ownPath)) {}
    const char16_t* text() override { return text_.c_str(); }
    std::string narrow(const std::u16string& text) override {
        std::string narrowed;
        for (const char16_t unit : text) narrowed += unit < 0x100 ? static_cast<char>(unit) : '?';
        return narrowed;
    }
    std::u16string ownWidePath() override { return ownPath_; }

private:
    static std::u16string latin1(const std::string& text) {
        std::u16string wide;
        for (const unsigned char c : text) wide += static_cast<char16_t>(c);
        return wide;
    }

    std::u16string text_;
    std::u16string ownPath_;
};

// The process's arguments split once, as the program runs with them; raises only when memory
// runs out.
inline CommandLineParts splitCommandLine(CommandLine& commandLine) {
    return splitArguments(commandLine.arguments(), [&](const std::u16string& text) { return commandLine.narrow(text); });
}
