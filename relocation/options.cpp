#include "relocation/options.h"

#include <utility>

#include "platform/text/text.h"

const OptionKeywords kInstallKeywords{kHwndKeyword, kGuidKeyword, kTguidKeyword};
const OptionKeywords kUninstallKeywords{kRunfileKeyword, kHwndKeyword, kGuidKeyword, kTguidKeyword};

namespace {

const char* const kIncorrectHwndText =
    "Incorrect HWND format!\r\nPlease pass the parent HWND in the correct format to this application";
const char* const kIncorrectHwndCaption = "Incorrect format";

}  // namespace

const FoundOption& OptionScan::option(const std::string& keyword) const {
    for (const auto& [scannedKeyword, found] : options_) {
        if (equalText(scannedKeyword, keyword)) {
            return found;
        }
    }
    throw Exception("the options were not scanned for " + keyword);
}

OptionScan scanOptions(const TStringList& arguments, const OptionKeywords& keywords) {
    OptionScan::Options options;
    for (const std::string& keyword : keywords) {
        options.emplace_back(keyword, FoundOption{});
    }
    for (int32_t index = 0; index < arguments.count(); ++index) {
        const std::string& entry = arguments.at(index);
        for (auto& [keyword, option] : options) {
            if (!option.found && findText(keyword, entry) > 0) {
                option.found = true;
                option.entry = entry;
                option.index = index;
                // The value is what follows a keyword written first; an entry with text before
                // its keyword keeps part of the keyword in its value and fails the mode's checks.
                option.value = entry;
                cutText(option.value, 1, static_cast<int32_t>(keyword.size()));
            }
        }
    }
    return OptionScan(std::move(options));
}

bool namesParentWindow(const std::string& hwndValue) {
    if (equalText(hwndValue, kWaitKeyword)) return true;
    try {
        parseInteger(hwndValue);
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

bool waitForParent(const std::string& hwndValue, Services& services) {
    if (!namesParentWindow(hwndValue)) {
        services.showMessage(kIncorrectHwndText, kIncorrectHwndCaption, kTaskModalError);
        return false;
    }
    if (equalText(hwndValue, kWaitKeyword)) {
        services.pauseFor(kFixedWaitMs);
        return true;
    }
    const int32_t parent = parseInteger(hwndValue);
    while (services.windowAlive(parent)) {
        services.pauseFor(kParentPollMs);
    }
    return true;
}
