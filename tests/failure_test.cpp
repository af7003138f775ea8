#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/failure/failure.h"
#include "platform/text/exception.h"
#include "platform/text/text.h"

namespace {

const void* const kSomeRaiseAddress = reinterpret_cast<const void*>(0x00401A2C);

// A declared failure class of the tests' own, raised at a chosen address.
class EProbeFailure : public Exception {
public:
    EProbeFailure(std::string message, const void* raiseAddress) : Exception(std::move(message), raiseAddress) {}
    const char* className() const override { return "EProbeFailure"; }
};

struct ReportRow {
    const char* name;
    std::string className;
    std::string moduleName;
    uint32_t offset;
    std::string message;
    std::string expected;
};

TEST(FailureReportText, FormatsBothLines) {
    const std::vector<ReportRow> rows = {
        {"refused registry write gets a full stop", "ERegistryException", "isreloc.exe", 0x00012A4C,
         "Failed to set data for 'UninstallString'",
         "Exception ERegistryException in module isreloc.exe at 00012A4C.\r\n"
         "Failed to set data for 'UninstallString'.\r\n"},
        {"message ending in a full stop gets no second one", "EConvertError", "isreloc.exe", 0x1000,
         "Bad value.", "Exception EConvertError in module isreloc.exe at 00001000.\r\nBad value.\r\n"},
        {"a lone full stop stays alone", "Exception", "a.exe", 0, ".",
         "Exception Exception in module a.exe at 00000000.\r\n.\r\n"},
        {"empty message leaves an empty second line", "Exception", "isreloc.exe", 0, "",
         "Exception Exception in module isreloc.exe at 00000000.\r\n\r\n"},
        {"offset keeps leading zeros", "EOutOfMemory", "kernel32.dll", 0xABCDE, "Out of memory",
         "Exception EOutOfMemory in module kernel32.dll at 000ABCDE.\r\nOut of memory.\r\n"},
        {"offset uses all eight digits, upper case", "Exception", "isreloc.exe", 0xFEDCBA98, "x",
         "Exception Exception in module isreloc.exe at FEDCBA98.\r\nx.\r\n"},
        {"percent signs in the message are not format codes", "Exception", "isreloc.exe", 1, "100% %s %p",
         "Exception Exception in module isreloc.exe at 00000001.\r\n100% %s %p.\r\n"},
        {"a module name with spaces stays whole", "Exception", "my setup.exe", 2, "m",
         "Exception Exception in module my setup.exe at 00000002.\r\nm.\r\n"},
    };
    for (const ReportRow& row : rows)
        EXPECT_EQ(failureReportText(row.className, row.moduleName, row.offset, row.message), row.expected) << row.name;
}

TEST(FailureReportText, CutsAtTheLimit) {
    const std::string firstLine = "Exception Exception in module isreloc.exe at 00000000.\r\n";
    // Message, full stop and the closing CR LF make the text exactly as long as allowed.
    const std::string fitting(kReportTextLimit - firstLine.size() - 3, 'a');
    const std::string fits = failureReportText("Exception", "isreloc.exe", 0, fitting);
    EXPECT_EQ(fits.size(), kReportTextLimit);
    EXPECT_EQ(fits.substr(fits.size() - 3), ".\r\n");

    const std::string oneLonger = failureReportText("Exception", "isreloc.exe", 0, fitting + "b");
    EXPECT_EQ(oneLonger, firstLine + fitting + "b.\r");

    const std::string huge = failureReportText("Exception", "isreloc.exe", 0, std::string(5000, 'z'));
    EXPECT_EQ(huge, firstLine + std::string(kReportTextLimit - firstLine.size(), 'z'));
}

TEST(FailureReportText, FillsAFormatFromTheStringTable) {
    EXPECT_EQ(failureReportText("EConvertError", "isreloc.exe", 0x10, "bad", "%s|%s|%p|%s|%s|100%%"),
              "EConvertError|isreloc.exe|00000010|bad|.|100%");
    // A damaged format asks for more than there is: the extra codes stay empty.
    EXPECT_EQ(failureReportText("E", "m", 0, "", "%s %s %p %s %s %s end %"), "E m 00000000    end %");
}

TEST(FallbackReportText, PlacesNumberAndAddress) {
    struct Row {
        uint32_t errorNumber;
        uint32_t address;
        const char* expected;
    };
    const Row rows[] = {
        {217, 0x0040123A, "Runtime error 217 at 0040123A"},
        {217, 0, "Runtime error 217 at 00000000"},
        {5, 0xFFFFFFFF, "Runtime error   5 at FFFFFFFF"},
        {12345, 0xABC, "Runtime erro12345 at 00000ABC"},
        {4294967295u, 1, "Runtime4294967295 at 00000001"},
    };
    for (const Row& row : rows) {
        const std::string text = fallbackReportText(row.errorNumber, row.address);
        EXPECT_EQ(text, row.expected) << row.errorNumber;
        EXPECT_EQ(text.size(), 29u);
    }
}

FailureDescription describeRaised(const std::function<void()>& raise) {
    try {
        raise();
    } catch (...) {
        return describeFailure(std::current_exception());
    }
    ADD_FAILURE() << "nothing was raised";
    return {};
}

TEST(DescribeFailure, MapsEachKindOfFailure) {
    struct Row {
        const char* name;
        std::function<void()> raise;
        std::string className;
        std::string message;
        bool addressKnown;
    };
    const std::vector<Row> rows = {
        {"declared subclass keeps its name", [] { throw EProbeFailure("probe", kSomeRaiseAddress); },
         "EProbeFailure", "probe", true},
        {"conversion failure", [] { parseInteger("twelve"); }, "EConvertError", "'twelve' is not a valid integer value",
         true},
        {"the base class", [] { throw Exception("plain"); }, "Exception", "plain", true},
        {"exhausted heap", [] { throw std::bad_alloc(); }, "EOutOfMemory", "Out of memory", false},
        {"too long an array", [] { throw std::bad_array_new_length(); }, "EOutOfMemory", "Out of memory", false},
        {"other standard exception", [] { throw std::runtime_error("disk gone"); }, "Exception", "disk gone", false},
        {"not an exception class", [] { throw 42; }, "Exception", "", false},
    };
    for (const Row& row : rows) {
        const FailureDescription failure = describeRaised(row.raise);
        EXPECT_EQ(failure.className, row.className) << row.name;
        EXPECT_EQ(failure.message, row.message) << row.name;
        EXPECT_EQ(failure.raiseAddress != nullptr, row.addressKnown) << row.name;
    }
}

TEST(DescribeFailure, KeepsTheRaiseAddress) {
    EXPECT_EQ(describeRaised([] { throw EProbeFailure("m", kSomeRaiseAddress); }).raiseAddress, kSomeRaiseAddress);
}

TEST(DescribeFailure, NullPointerIsAnEmptyException) {
    const FailureDescription failure = describeFailure(std::exception_ptr());
    EXPECT_EQ(failure.className, "Exception");
    EXPECT_EQ(failure.message, "");
    EXPECT_EQ(failure.raiseAddress, nullptr);
}

}  // namespace
