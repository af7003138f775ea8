#include <gtest/gtest.h>

#include <string>

#include "platform/text/text.h"

namespace {

using namespace std::string_literals;

struct ParseRow {
    std::string text;
    int32_t value;
};

TEST(ParseInteger, AcceptsEverySpellingOfTheRules) {
    const ParseRow rows[] = {
        {"0", 0}, {"00", 0}, {"-0", 0}, {"-00", 0}, {" +0", 0}, {"+7", 7}, {"  42", 42}, {" -42", -42},
        {"0123", 123}, {"0000000000123", 123}, {"2147483647", 2147483647},
        {"0000000000000000000000002147483647", 2147483647}, {"-2147483648", INT32_MIN},
        {"$1A2B", 6699}, {"$1a2b", 6699}, {"0x10", 16}, {"0X10", 16}, {"x10", 16}, {"X10", 16},
        {"+$10", 16}, {"-$10", -16}, {"-0x10", -16}, {"0xA", 10}, {"$fF", 255},
        {"$7FFFFFFF", 2147483647}, {"$80000000", INT32_MIN}, {"-$80000000", INT32_MIN},
        {"$FFFFFFFF", -1}, {"$ffffffff", -1}, {"-$FFFFFFFF", 1}, {"$000000001", 1},
        {"12\0ab"s, 12},  // reading stops at the first zero byte
        {"0\0" "5"s, 0},
    };
    for (const ParseRow& row : rows) EXPECT_EQ(parseInteger(row.text), row.value) << "text: " << row.text;
}

TEST(ParseInteger, RejectsEverythingElse) {
    const std::string rows[] = {
        "42 ", "- 42", "+-1", "--1", "\t5", "", " ", "-", "+", "2147483648", "2147483649", "4294967295",
        "21474836470", "-2147483649", "-21474836480", "1e3", "12abc", "1 2", "$100000000", "$", "0x", "x",
        "-$", "-0x", "00x5", "0x1g", "$G", "$-1", "1.5", "\xb5", "0 ", "\0" "5"s,
    };
    for (const std::string& text : rows) EXPECT_THROW(parseInteger(text), EConvertError) << "text: " << text;
}

TEST(ParseInteger, FailureNamesTheWholeTextAsGiven) {
    try {
        parseInteger(" -4x");
        FAIL() << "no EConvertError";
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.message(), "' -4x' is not a valid integer value");
        EXPECT_STREQ(error.className(), "EConvertError");
        EXPECT_NE(error.raiseAddress(), nullptr);
    }
}

TEST(FormatInteger, WritesPlainDecimal) {
    const ParseRow rows[] = {{"0", 0}, {"7", 7}, {"-1", -1}, {"10", 10}, {"2147483647", 2147483647},
                             {"-2147483648", INT32_MIN}};
    for (const ParseRow& row : rows) {
        EXPECT_EQ(formatInteger(row.value), row.text);
        EXPECT_EQ(parseInteger(formatInteger(row.value)), row.value);
    }
}

TEST(FindText, NeedleFirstOneBasedZeroForNothing) {
    const struct {
        std::string needle, text;
        int32_t position;
    } rows[] = {
        {"aa", "aaa", 1},   {"ab", "xab", 2},       {"-hwnd", "x-hwnd-hwnd", 2}, {"-guid", "-tguid{x}", 0},
        {"A", "a", 0},      {"abc", "ab", 0},       {"ab", "ab", 1},             {"", "abc", 0},
        {"a", "", 0},       {"", "", 0},            {"_", "{A}_12", 4},          {"b", "a\0b"s, 3},
    };
    for (const auto& row : rows)
        EXPECT_EQ(findText(row.needle, row.text), row.position) << row.needle << " in " << row.text;
}

TEST(CutText, RemovesInPlaceAndIgnoresEverythingOutOfRange) {
    const struct {
        std::string text;
        int32_t position, count;
        std::string result;
    } rows[] = {
        {"-guid{x}", 1, 5, "{x}"}, {"abc", 1, 5, ""},     {"abcdef", 3, 2, "abef"}, {"abc", 0, 1, "abc"},
        {"abc", 4, 1, "abc"},      {"abc", 2, 0, "abc"},  {"abc", 2, -2, "abc"},    {"", 1, 1, ""},
        {"abc", -1, 2, "abc"},     {"abc", 3, INT32_MAX, "ab"},
    };
    for (const auto& row : rows) {
        std::string text = row.text;
        const std::string untouched = text;
        cutText(text, row.position, row.count);
        EXPECT_EQ(text, row.result) << row.text << " at " << row.position << " count " << row.count;
        std::string other = untouched;  // a copy made before the cut keeps its bytes
        EXPECT_EQ(other, row.text);
    }
}

TEST(CaseChange, TouchesOnlyAsciiLetters) {
    EXPECT_EQ(lowerAscii("-GUID{A-b}"), "-guid{a-b}");
    EXPECT_EQ(upperAscii("{ab-Cd}"), "{AB-CD}");
    const std::string accented = "\xc0\xe0\xd0\xf0@[`{";
    EXPECT_EQ(lowerAscii(accented), accented);
    EXPECT_EQ(upperAscii(accented), accented);
    EXPECT_EQ(lowerAscii("A\0Z"s), "a\0z"s);
    EXPECT_EQ(upperAscii(""), "");
}

TEST(EqualText, WholeTextsByteForByte) {
    EXPECT_TRUE(equalText("-u", "-u"));
    EXPECT_FALSE(equalText("-u", "-U"));
    EXPECT_FALSE(equalText("-u", "-u "));
    EXPECT_FALSE(equalText("-u", "-uninstall"));
    EXPECT_TRUE(equalText("", ""));
    EXPECT_FALSE(equalText("", "a"));
    EXPECT_FALSE(equalText("a\0b"s, "a"));
}

}  // namespace
