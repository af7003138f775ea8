// Starts a program with an exact command line, prints every message box it shows (and closes
// it, as a user would press OK), then its exit code. For scripts that show isreloc at work
// under Wine, where nobody is there to close a box.
//   run_answering.exe <program path> <exact command line>
#include <cstdio>
#include <string>

#include "child_process.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: run_answering <program path> <exact command line>\n");
        return 2;
    }
    const ChildOutcome outcome = runAnsweringBoxes(argv[1], argv[2], 120000);
    if (!outcome.started) {
        std::printf("could not start %s: %s\n", argv[1], outcome.startError.c_str());
        return 2;
    }
    for (const ObservedBox& box : outcome.boxes) {
        std::string text = box.text;
        for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;) text.replace(at, 2, "\n        ");
        std::printf("    message box \"%s\":\n        %s\n", box.caption.c_str(), text.c_str());
    }
    if (outcome.timedOut) std::printf("    still running after two minutes: stopped\n");
    std::printf("    exit code %u\n", outcome.exitCode);
    return outcome.timedOut ? 1 : 0;
}
