#pragma once
// Splits the process's command line into arguments by the rules installers and Windows rely on
// when they write isreloc's command: a backslash is ordinary, a quote opens and closes a section
// anywhere and is never part of the argument, a quote pair at the start of an argument is
// dropped, every character from 0x01 to 0x20 separates, and the list ends at the first empty
// argument. The byte form serves the rules' own tests; the process reads its command line in
// UTF-16, so that no character outside the ANSI code page is lost.
#include <cstdint>
#include <string>
#include <vector>

// Steps from the first byte of a character to the first byte of the next; never past the end.
// The Windows build steps by the active ANSI code page; elsewhere one byte is one character.
using CharStepper = const char* (*)(const char* position);
const char* singleByteStep(const char* position);

struct ArgumentRead {
    std::string argument;  // empty only at the end of the text
    const char* stop;      // the separator or terminating zero that ended it
};

// Reads one argument from a position inside a zero-terminated text.
ArgumentRead nextArgument(const char* position, CharStepper step = singleByteStep);

// Number of arguments after token 0 (the program path as the caller wrote it).
int32_t argumentCount(const char* commandLine, CharStepper step = singleByteStep);

// Argument `index` (1-based) after token 0; the empty text for any index outside 1..count.
// Index 0 is not read from the text: the caller asks the process for its own path instead.
std::string argumentAfterToken0(const char* commandLine, int32_t index, CharStepper step = singleByteStep);

// Where argument `index` (1-based) after token 0 ends in the text: the separator or terminating
// zero that ended it; the end of token 0 for index 0, the end of the text past the last one.
const char* argumentEnd(const char* commandLine, int32_t index, CharStepper step = singleByteStep);

// Every argument after token 0 in one pass: the same texts as argumentAfterToken0 for 1..count,
// in linear time however long the command line is.
std::vector<std::string> allArguments(const char* commandLine, CharStepper step = singleByteStep);

// One argument of the command line as the system holds it, in UTF-16: read by the same rules,
// one unit a character (no separator or quote is ever part of a surrogate pair).
struct WideArgument {
    std::u16string argument;  // quotes removed
    std::u16string written;   // as it stands in the command line, quotes and all
    const char16_t* stop;     // the separator or terminating zero that ended it
};
// Every argument after token 0, up to the first empty one.
std::vector<WideArgument> allWideArguments(const char16_t* commandLine);
// Token 0 by the same rules, quotes removed: the program a stored command line starts.
std::u16string wideToken0(const char16_t* commandLine);
