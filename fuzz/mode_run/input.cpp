#include "fuzz/mode_run/input.h"

#include <algorithm>
#include <iterator>

namespace mode_run {

namespace {

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> found;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find(' ', at), text.size());
        if (end > at) found.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return found;
}

}  // namespace

WrittenLine fixedLine(const std::string& text) {
    std::string unquoted;
    for (const char c : text)
        if (c != '"') unquoted += c;
    WrittenLine line;
    line.add(text.substr(text.find_first_not_of(' ')), words(unquoted));
    return line;
}

namespace {

std::string nameValue(Input& input) {
    std::string name = kNames[input.pick(kNames.size())];
    switch (input.pick(12)) {
    case 0: return name;
    case 1: return lowered(name);
    case 2: return name + ".";
    case 3: return name + " ";
    case 4: return "..\\" + name;
    case 5: return "C:" + name;
    case 6: return "";
    case 7: return name + std::string(240, 'x');
    case 8: return name + "/x";
    case 9: return name + "*";
    case 10: {
        for (char& c : name)
            if (input.pick(2) == 0) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c >= 'A' && c <= 'Z' ? c + 32 : c);
        return name;
    }
    default: return upper(name);
    }
}

void addOption(Input& input, WrittenLine& line, const std::string& keyword, const std::string& value) {
    switch (input.pick(3)) {
    case 0: line.add(keyword + "\"" + value + "\"", {keyword + value}); break;
    case 1: line.add(keyword + value, words(keyword + value)); break;
    default: line.add("\"" + keyword + value + "\"", {keyword + value}); break;
    }
}

WrittenLine commandLineArguments(Input& input) {
    WrittenLine line;
    const size_t optionCount = input.pick(7);
    for (size_t i = 0; i < optionCount; ++i) {
        switch (input.pick(8)) {
        case 0: {
            static const char* const kHwnds[] = {"0", "wait", "77", "x", "", "-1", "2147483648"};
            addOption(input, line, "-hwnd", kHwnds[input.pick(7)]);
            break;
        }
        case 1: addOption(input, line, "-guid", nameValue(input)); break;
        case 2: addOption(input, line, "-tguid", nameValue(input)); break;
        case 3: {
            static const char* const kRunfiles[] = {"C:\\Tools\\cleanup.exe", "C:\\x -guid\\y.exe",
                                                    "C:\\a-tguidb\\c.exe", ""};
            addOption(input, line, "-runfile", kRunfiles[input.pick(4)]);
            break;
        }
        case 4: {
            const std::string text = "-hwnd0-guid" + nameValue(input);
            line.add(text, words(text));
            break;
        }
        case 5: {
            static const char* const kJunk[] = {"x", "--u", "-uninstallx", "\"\"", "-U"};
            const std::string junk = kJunk[input.pick(5)];
            line.add(junk, junk == "\"\"" ? std::vector<std::string>{} : std::vector<std::string>{junk});
            break;
        }
        case 6: {
            static const std::vector<std::string> kSwitches[] = {
                {"-silent"}, {"-WAIT"}, {"-quiet"}, {"-log\"C:\\Temp\\isreloc.log\"", "-logC:\\Temp\\isreloc.log"},
                {"-- -s -f1\"C:\\a b.iss\" -guid{x}", "--", "-s", "-f1C:\\a b.iss", "-guid{x}"}, {"-modify"},
                {"-timeout\"30\"", "-timeout30"}, {"-TIMEOUT\"-guid\"", "-TIMEOUT-guid"}};
            const std::vector<std::string>& chosen = kSwitches[input.pick(std::size(kSwitches))];
            line.add(chosen[0], chosen.size() == 1 ? chosen : std::vector<std::string>(chosen.begin() + 1, chosen.end()));
            break;
        }
        default: line.add("-guid\"" + kGuid + "\"", {"-guid" + kGuid}); break;
        }
    }
    switch (input.pick(6)) {
    case 0: break;  // install mode
    case 1: line.add("-uninstall", {"-uninstall"}, true); break;
    case 2: line.add("-u", {"-u"}); break;
    case 3: line.add("-UNINSTALL", {"-UNINSTALL"}, true); break;
    case 4: line.add("-modify", {"-modify"}, true); break;
    default: line.add("-uninstall", {"-uninstall"}, true), line.add("-uninstall", {"-uninstall"}); break;
    }
    return line;
}

}  // namespace

std::string installRun(const std::string& guid) { return " -hwnd77 -guid\"" + guid + "\""; }

std::string uninstallRun(const std::string& guid) {
    return " -uninstall -guid\"" + guid + "_0\" -tguid\"" + guid + "\"";
}

std::string waitedRun(size_t which, const std::string& guid) {
    if (which == 0) return uninstallRun(guid) + " -silent -wait -timeout\"3600\" -- -s -f1\"C:\\Packages\\remove.iss\"";
    if (which == 1) return uninstallRun(guid) + " -quiet";
    return " -modify -guid\"" + guid + "_0\" -tguid\"" + guid + "\"";
}

namespace {

Machine machineFrom(Input& input, WrittenLine& line) {
    Machine machine;
    machine.programFiles = static_cast<uint8_t>(input.pick(std::size(kProgramFiles)));
    const size_t kind = input.pick(8);
    machine.clean = kind < 5 && machine.programFiles == 0;
    switch (kind) {
    case 0:  // cleanly installed, then the standard install run
        machine.entries.push_back({kGuid, KeyKind::product, 0xFF, FolderKind::product});
        line = fixedLine(installRun(kGuid));
        return machine;
    case 1:  // cleanly relocated, then the standard uninstall run
        machine.entries.push_back({kGuid + "_0", KeyKind::relocated, 0xFF, FolderKind::product});
        line = fixedLine(uninstallRun(kGuid));
        return machine;
    case 2:
    case 3:
    case 4:  // cleanly relocated with a quiet command, then a run that waits for the product
        machine.entries.push_back({kGuid + "_0", KeyKind::relocatedQuiet, 0xFF, FolderKind::product});
        machine.waited = true;
        line = fixedLine(waitedRun(kind - 2, kGuid));
        return machine;
    default: break;
    }
    const size_t count = input.pick(6);
    for (size_t i = 0; i < count; ++i) {
        Seeded entry;
        entry.name = kNames[input.pick(kNames.size())];
        entry.key = static_cast<KeyKind>(input.pick(static_cast<size_t>(KeyKind::count)));
        entry.mask = input.byte();
        entry.folder = static_cast<FolderKind>(input.pick(static_cast<size_t>(FolderKind::count)));
        machine.entries.push_back(entry);
    }
    line = commandLineArguments(input);
    return machine;
}


}  // namespace

FuzzCase decodeCase(const uint8_t* data, size_t size) {
    Input input(data, size);
    FuzzCase decoded;
    decoded.machine = machineFrom(input, decoded.line);
    decoded.injection = static_cast<Injection>(input.pick(static_cast<size_t>(Injection::count)));
    decoded.call = 1 + input.byte() + 256u * input.pick(2);
    decoded.standInChoice = input.byte();
    decoded.longName = input.pick(67);
    decoded.currentDirectory = input.pick(3);
    decoded.lockedKeys = input.byte();
    const uint8_t last = input.byte();
    decoded.engineLines = (last & 1) != 0;
    decoded.keysCopied = (last & 2) != 0;
    decoded.installAgain = (last & 4) != 0;
    return decoded;
}

}  // namespace mode_run
