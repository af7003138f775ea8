#include "relocation/isreloc_command.h"

#include <vector>

#include "platform/registry/registry_api.h"
#include "platform/text/text.h"
#include "platform/text/tokenizer.h"
#include "relocation/key_contents.h"
#include "relocation/names.h"
#include "relocation/options.h"
#include "relocation/unattended_switches.h"
#include "relocation/written_value.h"

namespace {

const std::u16string kBetweenNames = u"\" -tguid\"";
const std::u16string kQuietSwitch = u" -quiet";

// What follows the program's path, up to the relocated name.
std::u16string afterPath(IsrelocCommandKind kind) {
    return kind == IsrelocCommandKind::modify ? u"\" -modify -guid\"" : u"\" -uninstall -guid\"";
}

bool startsWith(const std::u16string& text, const std::u16string& start) { return text.compare(0, start.size(), start) == 0; }

// An isreloc executable by its file name: "isreloc.exe", "isreloc-x64.exe", any "isreloc….exe".
bool namesIsrelocExecutable(const std::u16string& programPath) {
    const std::u16string fileName = lowerAscii(programPath.substr(programPath.find_last_of(u"\\/") + 1));
    return startsWith(fileName, u"isreloc") && fileName.size() >= 11 && fileName.compare(fileName.size() - 4, 4, u".exe") == 0;
}

// The 8-bit text the option scans see, in any code page: what they look for is ASCII, and a
// character outside ASCII never turns into one of it there. The names are taken as written.
std::string asciiOrMark(const std::u16string& text) {
    std::string narrowed;
    narrowed.reserve(text.size());
    for (const char16_t unit : text) narrowed += unit < 0x80 ? static_cast<char>(unit) : '?';
    return narrowed;
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
    CommandLineParts parts = splitArguments(allWideArguments(command.c_str()), asciiOrMark);
    if (parts.argumentCount == 0 || parts.switches.timeoutRefused) return std::nullopt;
    std::vector<std::string>& options = parts.options;
    for (std::string& option : options) lowerAsciiInPlace(option);
    const ModeSwitch selected = findModeSwitch(options);
    if (selected.mode == ProgramMode::install) return std::nullopt;
    options.erase(options.begin() + selected.index);
    parts.writtenOptions.erase(parts.writtenOptions.begin() + selected.index);

    const OptionScan scan = scanOptions(TStringList(std::move(options)), kUninstallKeywords);
    const std::string& hwnd = scan.value(kHwndKeyword);
    if (!scan.found(kGuidKeyword) || (!hwnd.empty() && !namesParentWindow(hwnd))) return std::nullopt;
    const RestoreNames names = restoreNamesOf(scan, parts.writtenOptions);
    const IsrelocCommandKind kind = selected.mode == ProgramMode::modify ? IsrelocCommandKind::modify
                                    : parts.switches.quiet               ? IsrelocCommandKind::quietUninstall
                                                                         : IsrelocCommandKind::uninstall;
    const std::u16string program = wideToken0(command.c_str());
    if (!namesIsrelocExecutable(program) && command != buildIsrelocCommand(kind, program, names.relocated, names.restored))
        return std::nullopt;
    return IsrelocCommand{kind, program, names.relocated, names.restored};
}

bool isIsrelocCommandFor(uint32_t registryType, const std::vector<uint8_t>& data, const std::u16string& oneName,
                         const std::u16string& otherName) {
    if (registryType != kRegSz && registryType != kRegExpandSz) return false;
    const std::optional<IsrelocCommand> command = parseIsrelocCommand(textOfData(data));
    return command && command->names(oneName, otherName);
}

std::optional<IsrelocCommand> isrelocCommandIn(const KeyContents& key, const std::u16string& valueName) {
    const KeyContents::Value* value = key.value(valueName);
    if (value == nullptr || (value->type != kRegSz && value->type != kRegExpandSz)) return std::nullopt;
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
