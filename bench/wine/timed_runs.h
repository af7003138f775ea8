#pragma once
// Runs one program to its end and times it from start to end, the way a user or an installer
// would experience it: process start-up and shut-down included.
#include <string>

struct TimedRun {
    bool ok = false;
    std::string failure;  // when not ok: what went wrong, for the report
    double milliseconds = 0;
};

// isreloc.exe started with exactly commandLine; any message box it shows counts as a failure
// (it is closed so the run ends), as does a non-zero exit code.
TimedRun timeIsreloc(const std::string& isrelocPath, const std::string& commandLine);
// Wine's reg.exe with the given arguments, its output discarded; a non-zero exit code fails.
TimedRun timeReg(const std::string& arguments);

// A monotonic clock in milliseconds, for timing steps inside this process.
double nowMilliseconds();
