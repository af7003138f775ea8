#pragma once
// The start both modes share: picking their options out of the argument list by keyword, and
// waiting until the installer that started them has gone, so that the directory and the
// uninstall key they are about to move are no longer in use.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/services/services.h"
#include "platform/text/string_list.h"

constexpr const char* kRunfileKeyword = "-runfile";
constexpr const char* kHwndKeyword = "-hwnd";
constexpr const char* kGuidKeyword = "-guid";
constexpr const char* kTguidKeyword = "-tguid";

// The keywords a mode looks for, in the order they are tried on each entry.
using OptionKeywords = std::vector<std::string>;
extern const OptionKeywords kInstallKeywords;    // -hwnd, -guid, -tguid
extern const OptionKeywords kUninstallKeywords;  // -runfile, -hwnd, -guid, -tguid

// A "-hwnd" value of this word asks for a fixed pause instead of watching a window.
constexpr const char* kWaitKeyword = "wait";
constexpr uint32_t kFixedWaitMs = 15000;
constexpr uint32_t kParentPollMs = 1000;

struct FoundOption {
    bool found = false;
    std::string entry;  // the whole entry that held the keyword; empty when not found
    std::string value;  // the entry without as many leading characters as the keyword has
    int32_t index = -1;  // the entry's place in the list; -1 when not found
};

// What one scan found, per keyword of the mode.
class OptionScan {
public:
    using Options = std::vector<std::pair<std::string, FoundOption>>;  // in the mode's keyword order
    explicit OptionScan(Options options) : options_(std::move(options)) {}

    // The option of a keyword the scan looked for; raises Exception for any other (a mistake in
    // the program, reported like any failure nothing handles).
    const FoundOption& option(const std::string& keyword) const;
    bool found(const std::string& keyword) const { return option(keyword).found; }
    const std::string& value(const std::string& keyword) const { return option(keyword).value; }

private:
    Options options_;
};

// The first entry holding a keyword anywhere in it wins that keyword; one entry may win several.
OptionScan scanOptions(const TStringList& arguments, const OptionKeywords& keywords);

// Whether a "-hwnd" value is one waitForParent takes: "wait", or a window handle in decimal.
bool namesParentWindow(const std::string& hwndValue);

// Waits for the parent named by the "-hwnd" value: a fixed pause for "wait", otherwise a poll
// every second until the window is gone, however long that takes. A value that is neither is
// reported with a box; the result is then false and the mode must stop.
[[nodiscard]] bool waitForParent(const std::string& hwndValue, Services& services);
