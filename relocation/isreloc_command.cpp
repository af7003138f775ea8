#include "relocation/isreloc_command.h"

#include <vector>

#include "platform/registry/registry_api.h"
#include "platform/text/text.h"
#include "relocation/key_contents.h"
#include "relocation/names.h"

namespace {

const std::u16string kBetweenNames = u"\" -tguid\"";
const std::u16string kQuietSwitch = u" -quiet";

// What follows the program's path, up to the relocated name.
std::u16string afterPath(IsrelocCommandKind kind) {
    return kind == IsrelocCommandKind::modify ? u"\" -modify -guid\"" : u"\" -uninstall -guid\"";
}

// Reads up to the next double quote; nothing when there is none.
std::optional<std::u16string> quotedPart(const std::u16string& text, std::size_t& at) {
    const std::size_t end = text.find(u'"', at);
    if (end == std::u16string::npos) return std::nullopt;
    std::u16string part = text.substr(at, end - at);
    at = end;
    return part;
}

bool skip(const std::u16string& text, std::size_t& at, const std::u16string& expected) {
    if (text.compare(at, expected.size(), expected) != 0) return false;
    at += expected.size();
    return true;
}

bool startsWith(const std::u16string& text, const std::u16string& start) { return text.compare(0, start.size(), start) == 0; }

// One argument as written, quotes kept: up to a separator that no quoted section holds.
std::u16string nextArgument(const std::u16string& text, std::size_t& at) {
    const std::size_t start = at;
    bool quoted = false;
    for (; at < text.size() && (quoted || !separatesArguments(text[at])); ++at)
        if (text[at] == u'"') quoted = !quoted;
    return text.substr(start, at - start);
}

// isreloc's switches, as whole arguments in any letter case: those of runs nobody watches, and
// the older options a mode takes as well.
bool isSwitch(const std::u16string& argument, bool& quiet) {
    const std::u16string lowered = lowerAscii(argument);
    if (lowered == u"-quiet") quiet = true;
    return lowered == u"-silent" || lowered == u"-wait" || lowered == u"-quiet" || startsWith(lowered, u"-log\"") ||
           startsWith(lowered, u"-timeout\"") || startsWith(lowered, u"-hwnd") || startsWith(lowered, u"-runfile");
}

// An isreloc executable by its file name: "isreloc.exe", "isreloc-x64.exe", any "isreloc….exe".
bool namesIsrelocExecutable(const std::u16string& programPath) {
    const std::u16string fileName = lowerAscii(programPath.substr(programPath.find_last_of(u"\\/") + 1));
    return startsWith(fileName, u"isreloc") && fileName.size() >= 11 && fileName.compare(fileName.size() - 4, 4, u".exe") == 0;
}

// After the names: nothing, as isreloc writes its commands, whatever its path; or, for a program
// that is an isreloc executable by its name, isreloc's switches and then nothing or "--" and
// anything. A product's own uninstaller may take arguments that look like isreloc's.
bool onlySwitchesFollow(const std::u16string& command, std::size_t at, const std::u16string& programPath, bool& quiet) {
    if (at == command.size()) return true;
    if (command.compare(at, std::u16string::npos, kQuietSwitch) == 0) return quiet = true;
    if (!namesIsrelocExecutable(programPath)) return false;
    for (;;) {
        if (at < command.size() && !separatesArguments(command[at])) return false;
        while (at < command.size() && separatesArguments(command[at])) ++at;
        if (at == command.size()) return true;
        const std::u16string argument = nextArgument(command, at);
        if (argument == u"--") return true;
        if (!isSwitch(argument, quiet)) return false;
    }
}

}  // namespace

std::u16string buildIsrelocCommand(IsrelocCommandKind kind, const std::u16string& ownPath,
                                   const std::u16string& relocatedName, const std::u16string& restoredName) {
    return u"\"" + ownPath + afterPath(kind) + relocatedName + kBetweenNames + restoredName + u"\"" +
           (kind == IsrelocCommandKind::quietUninstall ? kQuietSwitch : u"");
}

std::u16string buildUninstallCommand(const std::u16string& ownPath, const std::u16string& relocatedName,
                                     const std::u16string& restoredName) {
    return buildIsrelocCommand(IsrelocCommandKind::uninstall, ownPath, relocatedName, restoredName);
}

bool IsrelocCommand::records(const std::u16string& relocated, const std::u16string& restored) const {
    return sameName(relocatedName, relocated) && sameName(restoredName, restored);
}

bool IsrelocCommand::names(const std::u16string& oneName, const std::u16string& otherName) const {
    return records(oneName, otherName) || records(otherName, oneName);
}

std::optional<IsrelocCommand> parseIsrelocCommand(const std::u16string& command) {
    for (const IsrelocCommandKind kind : {IsrelocCommandKind::uninstall, IsrelocCommandKind::modify}) {
        std::size_t at = 0;
        if (!skip(command, at, u"\"")) return std::nullopt;
        const auto path = quotedPart(command, at);
        if (!path || !skip(command, at, afterPath(kind))) continue;
        const auto relocated = quotedPart(command, at);
        if (!relocated || !skip(command, at, kBetweenNames)) continue;
        const auto restored = quotedPart(command, at);
        if (!restored || !skip(command, at, u"\"")) continue;
        bool quiet = false;
        if (!onlySwitchesFollow(command, at, *path, quiet)) continue;
        const IsrelocCommandKind found =
            kind == IsrelocCommandKind::uninstall && quiet ? IsrelocCommandKind::quietUninstall : kind;
        return IsrelocCommand{found, *path, *relocated, *restored};
    }
    return std::nullopt;
}

bool isIsrelocCommand(uint32_t registryType, const std::vector<uint8_t>& data) {
    return (registryType == kRegSz || registryType == kRegExpandSz) && parseIsrelocCommand(textOfData(data)).has_value();
}

std::optional<IsrelocCommand> isrelocCommandIn(const KeyContents& key, const std::u16string& valueName) {
    const KeyContents::Value* value = key.value(valueName);
    if (value == nullptr || !isIsrelocCommand(value->type, value->data)) return std::nullopt;
    return parseIsrelocCommand(textOfData(value->data));
}

std::u16string textOfData(const std::vector<uint8_t>& data) {
    std::u16string text;
    for (std::size_t at = 0; at + 1 < data.size(); at += 2) {
        const char16_t unit = static_cast<char16_t>(data[at] | (data[at + 1] << 8));
        if (unit == u'\0') break;
        text.push_back(unit);
    }
    return text;
}
