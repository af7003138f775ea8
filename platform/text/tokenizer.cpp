#include "platform/text/tokenizer.h"

#include <type_traits>
#include <utility>

#include "platform/text/text.h"

namespace {

constexpr char16_t kQuote = u'"';

// Both texts hold characters whose units compare as unsigned numbers: bytes, or UTF-16 units.
template <typename Char>
unsigned unit(Char c) {
    return static_cast<std::make_unsigned_t<Char>>(c);
}

template <typename Char>
bool isSeparator(Char c) {
    return separatesArguments(unit(c));
}

template <typename Char>
bool endsReading(Char c) {
    return unit(c) <= 0x20;  // separator or end
}

// Walks one argument from `position`, handing each whole character to `take`. The length
// walk and the copy walk share it, so they cannot disagree.
template <typename Char, typename Step, typename Take>
const Char* walkArgument(const Char* position, Step step, Take take) {
    while (!endsReading(*position)) {
        if (unit(*position) == kQuote) {
            ++position;
            while (*position != Char() && unit(*position) != kQuote) {
                const Char* next = step(position);
                take(position, next);
                position = next;
            }
            if (unit(*position) == kQuote) ++position;  // an unclosed section runs to the end
        } else {
            const Char* next = step(position);
            take(position, next);
            position = next;
        }
    }
    return position;
}

template <typename Char, typename Step>
const Char* skipToArgument(const Char* position, Step step) {
    for (;;) {
        if (isSeparator(*position))
            position = step(position);
        else if (unit(position[0]) == kQuote && unit(position[1]) == kQuote)
            position += 2;  // an empty quoted pair never makes an argument
        else
            return position;
    }
}

// Roughly how many arguments a text holds, to size the list once: runs of units above 0x20.
template <typename Char>
std::size_t wordCountHint(const Char* text) {
    std::size_t words = 0;
    bool inWord = false;
    for (; *text != Char(); ++text) {
        const bool wordUnit = unit(*text) > 0x20;
        words += wordUnit && !inWord;
        inWord = wordUnit;
    }
    return words;
}

template <typename Char, typename Step>
std::pair<std::basic_string<Char>, const Char*> readArgument(const Char* position, Step step) {
    position = skipToArgument(position, step);
    std::size_t length = 0;
    const Char* stop = walkArgument(position, step, [&](const Char* from, const Char* to) {
        length += static_cast<std::size_t>(to - from);
    });
    // Without quotes the argument is the characters as they stand; otherwise a second walk
    // copies them around the quotes. Either way one allocation per argument.
    if (length == static_cast<std::size_t>(stop - position)) return {std::basic_string<Char>(position, stop), stop};
    std::basic_string<Char> argument(length, Char());
    Char* out = &argument[0];
    walkArgument(position, step, [&](const Char* from, const Char* to) {
        while (from != to) *out++ = *from++;
    });
    return {std::move(argument), stop};
}

// A UTF-16 unit is a character here: no separator or quote is ever part of a surrogate pair.
const char16_t* wideStep(const char16_t* position) { return *position == u'\0' ? position : position + 1; }

}  // namespace

const char* singleByteStep(const char* position) { return *position == '\0' ? position : position + 1; }

ArgumentRead nextArgument(const char* position, CharStepper step) {
    // The single-byte rule is by far the common case; stepping inline keeps long lines cheap.
    auto read = step == singleByteStep ? readArgument(position, [](const char* at) { return singleByteStep(at); })
                                       : readArgument(position, step);
    return ArgumentRead{std::move(read.first), read.second};
}

int32_t argumentCount(const char* commandLine, CharStepper step) {
    int32_t count = 0;
    ArgumentRead read = nextArgument(commandLine, step);  // token 0
    for (;;) {
        read = nextArgument(read.stop, step);
        if (read.argument.empty()) return count;
        ++count;
    }
}

std::string argumentAfterToken0(const char* commandLine, int32_t index, CharStepper step) {
    if (index < 0) return std::string();  // the walk would only run to the empty end
    ArgumentRead read{std::string(), commandLine};
    for (;;) {
        read = nextArgument(read.stop, step);
        if (index == 0 || read.argument.empty()) return read.argument;
        --index;
    }
}

const char* argumentEnd(const char* commandLine, int32_t index, CharStepper step) {
    ArgumentRead read = nextArgument(commandLine, step);  // token 0
    for (int32_t at = 0; at < index && !read.argument.empty(); ++at) read = nextArgument(read.stop, step);
    return read.stop;
}

std::vector<std::string> allArguments(const char* commandLine, CharStepper step) {
    std::vector<std::string> arguments;
    arguments.reserve(wordCountHint(commandLine));
    ArgumentRead read = nextArgument(commandLine, step);  // token 0 is thrown away
    for (;;) {
        read = nextArgument(read.stop, step);
        if (read.argument.empty()) return arguments;
        arguments.push_back(std::move(read.argument));
    }
}

std::vector<WideArgument> allWideArguments(const char16_t* commandLine) {
    std::vector<WideArgument> arguments;
    arguments.reserve(wordCountHint(commandLine));
    const char16_t* at = readArgument(commandLine, wideStep).second;  // token 0 is thrown away
    for (;;) {
        const char16_t* start = skipToArgument(at, wideStep);
        auto read = readArgument(start, wideStep);
        if (read.first.empty()) return arguments;
        arguments.push_back({std::move(read.first), std::u16string(start, read.second), read.second});
        at = read.second;
    }
}

std::u16string wideToken0(const char16_t* commandLine) { return readArgument(commandLine, wideStep).first; }
