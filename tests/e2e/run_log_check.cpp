#include "run_log_check.h"

#include <windows.h>

#include "fixture.h"
#include "product_fixture.h"

namespace {

// "2024-03-09T14:05:07.042 ": digits where the pattern has 'd'.
const std::string kStampPattern = "dddd-dd-ddTdd:dd:dd.ddd ";

bool startsWithStamp(const std::string& line) {
    if (line.size() < kStampPattern.size()) return false;
    for (std::size_t at = 0; at < kStampPattern.size(); ++at) {
        const bool digit = line[at] >= '0' && line[at] <= '9';
        if (kStampPattern[at] == 'd' ? !digit : line[at] != kStampPattern[at]) return false;
    }
    return true;
}

std::vector<std::string> split(const std::string& text, const std::string& separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + separator.size())
        pieces.push_back(text.substr(start, at - start));
    pieces.push_back(text.substr(start));
    return pieces;
}

bool runningUnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool startsAndEndsWith(const std::string& line, const std::string& start, const std::string& end) {
    return line.size() >= start.size() + end.size() && line.compare(0, start.size(), start) == 0 &&
           asciiLower(line.substr(line.size() - end.size())) == asciiLower(end);
}

}  // namespace

std::string runLogPath(const E2eEnvironment& environment) { return environment.scratchDirectory + "isreloc.log"; }

std::string logSwitch(const E2eEnvironment& environment) { return " -log\"" + runLogPath(environment) + "\""; }

std::vector<std::string> runLogLines(CaseContext& context) {
    std::vector<std::string> lines;
    for (const std::string& line : readFileLines(runLogPath(context.environment()))) {
        if (context.expect(startsWithStamp(line), "a log line without its time: " + line))
            lines.push_back(line.substr(kStampPattern.size()));
    }
    return lines;
}

void expectLoggedBox(CaseContext& context, const ExpectedBox& box, bool shown) {
    std::vector<std::string> expected = split(box.text, "\r\n");
    expected[0] = "box \"" + box.caption + "\"" + (shown ? "" : " (not shown)") + ": " + expected[0];
    for (std::size_t at = 1; at < expected.size(); ++at) expected[at] = "    " + expected[at];
    const std::vector<std::string> lines = runLogLines(context);
    for (std::size_t first = 0; first + expected.size() <= lines.size(); ++first) {
        std::size_t matched = 0;
        while (matched < expected.size() && boxTextMatches(expected[matched], lines[first + matched])) ++matched;
        if (matched == expected.size()) return;
    }
    context.expect(false, "the log does not hold the box \"" + box.caption + "\" with its text: " + expected[0]);
}

void expectLoggedKeyMove(CaseContext& context, const std::string& restoredName) {
    const bool wine = runningUnderWine();
    const std::string start = wine ? "keys are not renamed on this system: key " : "renamed key ";
    const std::string end = (wine ? " is copied to " : " to ") + restoredName;
    for (const std::string& line : runLogLines(context))
        if (startsAndEndsWith(line, start, end)) return;
    context.expect(false, "the log does not tell the key's move: no line \"" + start + "... " + end + "\"");
}

void expectLoggedExitCode(CaseContext& context, uint32_t exitCode) {
    const std::vector<std::string> lines = runLogLines(context);
    const std::string expected = "exit code " + std::to_string(exitCode);
    context.expect(!lines.empty() && lines.back() == expected,
                   "the log does not end with \"" + expected + "\"" + (lines.empty() ? "" : ": " + lines.back()));
}
