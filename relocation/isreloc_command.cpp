#include "relocation/isreloc_command.h"

#include <vector>

#include "platform/registry/name_case.h"
#include "platform/registry/registry_api.h"
#include "relocation/key_contents.h"

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

bool sameRegistryName(const std::u16string& left, const std::u16string& right) {
    return foldNameCase(left) == foldNameCase(right);
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

bool IsrelocCommand::names(const std::u16string& oneName, const std::u16string& otherName) const {
    return (sameRegistryName(relocatedName, oneName) && sameRegistryName(restoredName, otherName)) ||
           (sameRegistryName(relocatedName, otherName) && sameRegistryName(restoredName, oneName));
}

std::optional<IsrelocCommand> parseIsrelocCommand(const std::u16string& command) {
    for (const IsrelocCommandKind kind :
         {IsrelocCommandKind::uninstall, IsrelocCommandKind::modify, IsrelocCommandKind::quietUninstall}) {
        std::size_t at = 0;
        if (!skip(command, at, u"\"")) return std::nullopt;
        const auto path = quotedPart(command, at);
        if (!path || !skip(command, at, afterPath(kind))) continue;
        const auto relocated = quotedPart(command, at);
        if (!relocated || !skip(command, at, kBetweenNames)) continue;
        const auto restored = quotedPart(command, at);
        if (!restored || !skip(command, at, u"\"")) continue;
        if (kind == IsrelocCommandKind::quietUninstall && !skip(command, at, kQuietSwitch)) continue;
        if (at == command.size()) return IsrelocCommand{kind, *path, *relocated, *restored};
    }
    return std::nullopt;
}

std::optional<IsrelocCommand> isrelocCommandIn(const KeyContents& key, const std::u16string& valueName) {
    const KeyContents::Value* value = key.value(valueName);
    if (value == nullptr || value->type != kRegSz) return std::nullopt;
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
