#pragma once
// Runs a program the way Explorer or an installer would start it and answers its message boxes.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ObservedBox {
    std::string caption;
    std::string text;
    bool iconShown;
};

struct ChildOutcome {
    bool started = false;
    std::string startError;  // when not started
    std::vector<ObservedBox> boxes;
    bool timedOut = false;   // killed after the time-out
    uint32_t exitCode = 0;
};

// Where a program starts: its current directory and desktop; empty for the caller's own.
struct StartPlace {
    std::string currentDirectory;
    std::string desktop;  // "station\\desktop", as STARTUPINFO names it
};

// Starts applicationPath with exactly commandLine, closes each message box it shows (recording
// caption, text and whether an icon is shown) and waits for its end; after timeoutMilliseconds
// the program is killed and the outcome says so. whileRunning, when given, is called after each
// look for boxes while the program still runs, with the milliseconds since it was started; the
// calling thread's own windows get their messages between the looks.
ChildOutcome runAnsweringBoxes(const std::string& applicationPath, const std::string& commandLine,
                               uint32_t timeoutMilliseconds,
                               const std::function<void(uint32_t elapsedMilliseconds)>& whileRunning = nullptr,
                               const StartPlace& place = StartPlace());
// The same for a program and command line in UTF-16, for paths no ANSI code page can spell.
ChildOutcome runAnsweringBoxes(const std::wstring& applicationPath, const std::wstring& commandLine,
                               uint32_t timeoutMilliseconds);
