#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "platform/text/tokenizer.h"

namespace {

using namespace std::string_literals;
using Arguments = std::vector<std::string>;

const std::string kOwnPath = "C:\\Tools\\isreloc.exe";

struct TokenizerRow {
    std::string commandLine;
    Arguments arguments;
};

const TokenizerRow kRows[] = {
    {R"("C:\Program Files\App\prog.exe" -hwnd"1234" -guid"{A}")", {"-hwnd1234", "-guid{A}"}},
    {R"(prog.exe -guid"{A B}")", {"-guid{A B}"}},
    {R"(prog.exe -guid"{X Y)", {"-guid{X Y"}},
    {R"(prog.exe a""b)", {"ab"}},
    {R"(prog.exe "a"b"c d")", {"abc d"}},
    {R"(prog.exe "a b"c)", {"a bc"}},
    {R"(prog.exe a\"b c")", {"a\\b c"}},
    {R"(prog.exe "" x)", {"x"}},
    {R"(prog.exe -hwnd"1" "" -u)", {"-hwnd1", "-u"}},
    {R"(prog.exe x "")", {"x"}},
    {R"(prog.exe """x""")", {"x"}},
    {R"(prog.exe """ b")", {" b"}},
    {R"(prog.exe """")", {}},
    {R"(prog.exe a ")", {"a"}},
    {R"(prog.exe a """)", {"a"}},
    {R"(prog.exe "-hwnd" "wait")", {"-hwnd", "wait"}},
    {"prog.exe a\tb", {"a", "b"}},
    {"prog.exe \"\t\"", {"\t"}},
    {"prog.exe a\r\nb", {"a", "b"}},
    {"prog.exe a\xa0" "b", {"a\xa0" "b"}},
    {"  prog.exe   -u  ", {"-u"}},
    {R"("prog.exe"-u)", {}},
    {"prog.exe", {}},
    {"", {}},
    {"prog.exe \x01x\x1f" "y\x20z", {"x", "y", "z"}},
    {"prog.exe \x80\xff", {"\x80\xff"}},
};

TEST(Tokenizer, EveryRowSplitsAsWritten) {
    for (const TokenizerRow& row : kRows) {
        SCOPED_TRACE("command line: " + row.commandLine);
        const char* text = row.commandLine.c_str();
        const int32_t count = static_cast<int32_t>(row.arguments.size());
        EXPECT_EQ(argumentCount(text), count);
        EXPECT_EQ(allArguments(text), row.arguments);
        for (int32_t i = 1; i <= count; ++i) EXPECT_EQ(argumentAfterToken0(text, i), row.arguments[i - 1]) << i;
        // Outside 1..count the text is empty.
        EXPECT_EQ(argumentAfterToken0(text, count + 1), "");
        EXPECT_EQ(argumentAfterToken0(text, -1), "");
        EXPECT_EQ(argumentAfterToken0(text, INT32_MIN), "");
        // The process reads the same text in UTF-16 (here one unit a byte) into the same arguments.
        FixedCommandLine commandLine(row.commandLine, kOwnPath);
        Arguments read;
        for (const WideArgument& argument : commandLine.arguments()) read.push_back(commandLine.narrow(argument.argument));
        EXPECT_EQ(read, row.arguments);
    }
}

TEST(Tokenizer, TokenZeroKeepsTextGluedToItsClosingQuote) {
    const ArgumentRead token0 = nextArgument(R"("prog.exe"-u rest)");
    EXPECT_EQ(token0.argument, "prog.exe-u");
    EXPECT_EQ(*token0.stop, ' ');  // stops at the separator, not after it
}

TEST(Tokenizer, StopsAtTheTerminatingZero) {
    const char text[] = "ab\0cd";
    const ArgumentRead read = nextArgument(text);
    EXPECT_EQ(read.argument, "ab");
    EXPECT_EQ(read.stop, text + 2);
    EXPECT_EQ(nextArgument(read.stop).argument, "");
}

// A stepper like a double-byte code page's, where 0x81 leads a two-byte character: the second
// byte is never taken for a quote or a separator.
const char* leadByteStep(const char* position) {
    if (*position == '\0') return position;
    if (static_cast<unsigned char>(*position) == 0x81 && position[1] != '\0') return position + 2;
    return position + 1;
}

TEST(Tokenizer, TrailBytesOfDoubleByteCharactersAreNeverQuotesOrSeparators) {
    const char commandLine[] = "prog.exe a\x81\"b \x81 c";
    EXPECT_EQ(allArguments(commandLine, leadByteStep), (Arguments{"a\x81\"b", "\x81 c"}));
    EXPECT_EQ(argumentCount(commandLine, leadByteStep), 2);
    EXPECT_EQ(argumentAfterToken0(commandLine, 2, leadByteStep), "\x81 c");
}

TEST(Tokenizer, LongCommandLineMatchesArgumentAtForEveryIndex) {
    std::string commandLine = "isreloc.exe";
    Arguments expected;
    for (int i = 0; i < 300; ++i) {
        const std::string argument = (i % 3 == 0) ? "-guid{" + std::to_string(i) + "}" : std::string(1, char('a' + i % 26));
        commandLine += (i % 2 ? "\t\"" : " ") + argument + (i % 2 ? "\"" : "");
        expected.push_back(argument);
    }
    ASSERT_EQ(allArguments(commandLine.c_str()), expected);
    for (int32_t i = 1; i <= 300; ++i)
        EXPECT_EQ(argumentAfterToken0(commandLine.c_str(), i), expected[static_cast<std::size_t>(i - 1)]);
}

}  // namespace
