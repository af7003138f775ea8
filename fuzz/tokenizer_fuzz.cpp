// The command-line splitter against a second, deliberately plain reading of its rules: indexes
// into the text instead of pointers, one pass, no measuring walk. Both run over the same bytes
// with the same character stepping, single-byte and double-byte, and must agree on every argument,
// every stop position, the count and every index asked for.
//
// Input: the first byte picks the stepping (low bit set: double-byte lead bytes 0x81-0x9F); the
// rest, up to its first zero byte, is the command line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/text/tokenizer.h"

namespace {

bool isLeadByte(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 0x81 && byte <= 0x9F;
}

// A double-byte code page as CharNextA walks it: a lead byte takes the next byte with it,
// unless that is the end of the text.
const char* doubleByteStep(const char* position) {
    if (*position == '\0') return position;
    if (isLeadByte(*position) && position[1] != '\0') return position + 2;
    return position + 1;
}

struct ReferenceRead {
    std::string argument;
    std::size_t stop;
};

class ReferenceSplitter {
public:
    ReferenceSplitter(const std::string& text, bool doubleByte) : text_(text), doubleByte_(doubleByte) {}

    ReferenceRead read(std::size_t at) const {
        // Skip: separators one character at a time, and a quote pair at the start of an argument.
        for (;;) {
            if (at < text_.size() && isSeparator(text_[at])) {
                at = step(at);
            } else if (at + 1 < text_.size() && text_[at] == '"' && text_[at + 1] == '"') {
                at += 2;
            } else {
                break;
            }
        }
        std::string argument;
        while (at < text_.size() && static_cast<unsigned char>(text_[at]) > 0x20) {
            if (text_[at] == '"') {
                ++at;
                while (at < text_.size() && text_[at] != '"') at = append(argument, at);
                if (at < text_.size()) ++at;  // the closing quote
            } else {
                at = append(argument, at);
            }
        }
        return {argument, at};
    }

    std::vector<ReferenceRead> argumentsAfterToken0() const {
        std::vector<ReferenceRead> arguments;
        ReferenceRead current = read(0);
        for (;;) {
            current = read(current.stop);
            if (current.argument.empty()) return arguments;
            arguments.push_back(current);
        }
    }

private:
    static bool isSeparator(char c) {
        const unsigned char byte = static_cast<unsigned char>(c);
        return byte >= 0x01 && byte <= 0x20;
    }

    std::size_t step(std::size_t at) const {
        if (at >= text_.size()) return at;
        if (doubleByte_ && isLeadByte(text_[at]) && at + 1 < text_.size()) return at + 2;
        return at + 1;
    }

    std::size_t append(std::string& argument, std::size_t at) const {
        const std::size_t next = step(at);
        argument.append(text_, at, next - at);
        return next;
    }

    const std::string& text_;
    bool doubleByte_;
};

[[noreturn]] void fail(const char* what, const std::string& text, long detail) {
    std::fprintf(stderr, "tokenizer mismatch: %s (detail %ld) for a command line of %zu bytes\n", what, detail,
                 text.size());
    std::abort();
}

// Every index when there are few arguments; otherwise both ends and an even spread between.
// Index 0 is left out: callers take the program's path from the process, never from here.
std::vector<int32_t> indexesToAsk(int32_t count) {
    std::vector<int32_t> indexes = {-2147483647 - 1, -1, count + 1, count + 2, 2147483647};
    const int32_t spread = count <= 64 ? 1 : count / 64;
    for (int32_t index = 1; index <= count; index += spread) indexes.push_back(index);
    if (count >= 1) indexes.push_back(count);
    return indexes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool doubleByte = (data[0] & 1) != 0;
    const CharStepper step = doubleByte ? doubleByteStep : singleByteStep;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    const char* commandLine = text.c_str();

    const ReferenceSplitter reference(text, doubleByte);
    const std::vector<ReferenceRead> expected = reference.argumentsAfterToken0();

    // One argument at a time, with the position each read stops at.
    ArgumentRead read = nextArgument(commandLine, step);
    const ReferenceRead token0 = reference.read(0);
    if (read.argument != token0.argument) fail("token 0", text, 0);
    if (read.stop != commandLine + token0.stop) fail("stop after token 0", text, 0);
    for (std::size_t i = 0; i <= expected.size(); ++i) {
        read = nextArgument(read.stop, step);
        const std::string wanted = i < expected.size() ? expected[i].argument : std::string();
        if (read.argument != wanted) fail("nextArgument", text, static_cast<long>(i + 1));
        if (i < expected.size() && read.stop != commandLine + expected[i].stop)
            fail("nextArgument stop", text, static_cast<long>(i + 1));
    }

    const int32_t count = argumentCount(commandLine, step);
    if (count != static_cast<int32_t>(expected.size())) fail("argumentCount", text, count);

    const std::vector<std::string> all = allArguments(commandLine, step);
    if (all.size() != expected.size()) fail("allArguments size", text, static_cast<long>(all.size()));
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i] != expected[i].argument) fail("allArguments", text, static_cast<long>(i + 1));

    for (const int32_t index : indexesToAsk(count)) {
        const bool inRange = index >= 1 && index <= count;
        const std::string wanted = inRange ? expected[static_cast<std::size_t>(index - 1)].argument : std::string();
        if (argumentAfterToken0(commandLine, index, step) != wanted) fail("argumentAfterToken0", text, index);
    }

    // The process reads its command line in UTF-16: the same text, one unit a byte, splits into
    // the same arguments, each ending where the reference's ends.
    if (!doubleByte) {
        const auto widened = [](const std::string& bytes) {
            std::u16string wide;
            for (const unsigned char byte : bytes) wide += static_cast<char16_t>(byte);
            return wide;
        };
        const std::u16string wideText = widened(text);
        const std::vector<WideArgument> wide = allWideArguments(wideText.c_str());
        if (wide.size() != expected.size()) fail("allWideArguments size", text, static_cast<long>(wide.size()));
        for (std::size_t i = 0; i < wide.size(); ++i) {
            if (wide[i].argument != widened(expected[i].argument)) fail("allWideArguments", text, static_cast<long>(i + 1));
            if (wide[i].stop != wideText.c_str() + expected[i].stop)
                fail("allWideArguments stop", text, static_cast<long>(i + 1));
        }
    }
    return 0;
}
