#include "app/tokenizer.h"

#include <utility>

namespace {

constexpr char kQuote = '"';

bool isSeparator(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 0x01 && byte <= 0x20;
}

bool endsReading(char c) { return static_cast<unsigned char>(c) <= 0x20; }  // separator or end

// Walks one argument from `position`, handing each whole character to `take`. The length
// walk and the copy walk share it, so they cannot disagree.
template <typename Step, typename Take>
const char* walkArgument(const char* position, Step step, Take take) {
    while (!endsReading(*position)) {
        if (*position == kQuote) {
            ++position;
            while (*position != '\0' && *position != kQuote) {
                const char* next = step(position);
                take(position, next);
                position = next;
            }
            if (*position == kQuote) ++position;  // an unclosed section runs to the end
        } else {
            const char* next = step(position);
            take(position, next);
            position = next;
        }
    }
    return position;
}

template <typename Step>
const char* skipToArgument(const char* position, Step step) {
    for (;;) {
        if (isSeparator(*position))
            position = step(position);
        else if (position[0] == kQuote && position[1] == kQuote)
            position += 2;  // an empty quoted pair never makes an argument
        else
            return position;
    }
}

// Roughly how many arguments a text holds, to size the list once: runs of bytes above 0x20.
std::size_t wordCountHint(const char* text) {
    std::size_t words = 0;
    bool inWord = false;
    for (; *text != '\0'; ++text) {
        const bool wordByte = static_cast<unsigned char>(*text) > 0x20;
        words += wordByte && !inWord;
        inWord = wordByte;
    }
    return words;
}

}  // namespace

const char* singleByteStep(const char* position) { return *position == '\0' ? position : position + 1; }

namespace {

template <typename Step>
ArgumentRead readArgument(const char* position, Step step) {
    position = skipToArgument(position, step);
    std::size_t length = 0;
    const char* stop =
        walkArgument(position, step, [&](const char* from, const char* to) { length += static_cast<std::size_t>(to - from); });
    // Without quotes the argument is the bytes as they stand; otherwise a second walk copies
    // them around the quotes. Either way one allocation per argument.
    if (length == static_cast<std::size_t>(stop - position)) return ArgumentRead{std::string(position, stop), stop};
    ArgumentRead read{std::string(length, '\0'), stop};
    char* out = &read.argument[0];
    walkArgument(position, step, [&](const char* from, const char* to) {
        while (from != to) *out++ = *from++;
    });
    return read;
}

}  // namespace

ArgumentRead nextArgument(const char* position, CharStepper step) {
    // The single-byte rule is by far the common case; stepping inline keeps long lines cheap.
    if (step == singleByteStep) return readArgument(position, [](const char* at) { return singleByteStep(at); });
    return readArgument(position, step);
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
