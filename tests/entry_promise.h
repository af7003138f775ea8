#pragma once
// What a product's uninstall entry must offer after any run, written from the promise and not
// from the code under test: isreloc's command in the form the README gives it, and whether a
// command an entry holds starts something that is there.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace entry_promise {

// The values an entry's commands live in, each where present.
inline const char* const kCommandValues[] = {"UninstallString", "ModifyPath", "QuietUninstallString"};

inline std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}
// Windows matches folder and key names without regard to letter case.
inline bool namesMatch(const std::string& left, const std::string& right) { return lowered(left) == lowered(right); }

// The text of REG_SZ or REG_EXPAND_SZ data: UTF-16LE up to the first NUL, '?' beyond Latin-1.
inline std::string commandText(const std::vector<uint8_t>& data) {
    std::string text;
    for (size_t at = 0; at + 1 < data.size(); at += 2) {
        const unsigned unit = data[at] | (data[at + 1] << 8);
        if (unit == 0) break;
        text += unit < 0x100 ? static_cast<char>(unit) : '?';
    }
    return text;
}

struct IsrelocCommandForm {
    std::string relocated;  // after -guid
    std::string restored;   // after -tguid
    std::string arguments;  // everything after the program's quoted path, as Windows hands it on
};

// isreloc's command: "<path>" -uninstall -guid"<a>" -tguid"<b>" (or -modify for -uninstall, or
// -quiet after it), exactly as isreloc writes it, whatever the path. A program whose file name is
// isreloc's ("isreloc….exe", any letter case) may be followed by isreloc's own switches (-silent,
// -wait, -quiet, -log"<file>", -timeout"<value>", -hwnd…, -runfile…, in any letter case) and one
// optional " -- <anything>", as an engine writes the line. Nothing for any other text.
inline std::optional<IsrelocCommandForm> isrelocCommandForm(const std::string& command) {
    IsrelocCommandForm form;
    size_t at = 0;
    const auto skip = [&](const std::string& expected) {
        if (command.compare(at, expected.size(), expected) != 0) return false;
        at += expected.size();
        return true;
    };
    const auto quoted = [&](std::string& part) {
        const size_t end = command.find('"', at);
        if (end == std::string::npos) return false;
        part = command.substr(at, end - at);
        at = end + 1;
        return true;
    };
    std::string path;
    if (!skip("\"") || !quoted(path)) return std::nullopt;
    const size_t afterPath = at;
    if ((!skip(" -modify -guid\"") && !skip(" -uninstall -guid\"")) || !quoted(form.relocated) ||
        !skip(" -tguid\"") || !quoted(form.restored))
        return std::nullopt;
    form.arguments = command.substr(afterPath + 1);
    const bool uninstall = command.compare(afterPath, 11, " -uninstall") == 0;
    if (at == command.size() || (uninstall && command.substr(at) == " -quiet")) return form;
    const std::string file = lowered(path.substr(path.find_last_of('\\') + 1));
    if (file.rfind("isreloc", 0) != 0 || file.size() < 11 || file.compare(file.size() - 4, 4, ".exe") != 0)
        return std::nullopt;
    while (at < command.size()) {
        if (command.compare(at, 4, " -- ") == 0 || command.substr(at) == " --") return form;
        if (!skip(" ")) return std::nullopt;
        size_t end = at;
        for (bool inQuotes = false; end < command.size() && (inQuotes || command[end] != ' '); ++end)
            if (command[end] == '"') inQuotes = !inQuotes;
        const std::string word = lowered(command.substr(at, end - at));
        const auto valued = [&word](const std::string& name) {
            return word.size() >= name.size() + 2 && word.rfind(name + "\"", 0) == 0 && word.back() == '"';
        };
        if (word != "-silent" && word != "-wait" && word != "-quiet" && !valued("-log") && !valued("-timeout") &&
            word.rfind("-hwnd", 0) != 0 && word.rfind("-runfile", 0) != 0)
            return std::nullopt;
        at = end;
    }
    return form;
}

// The program a command starts: its first quoted part, or its text up to the first blank.
inline std::string programOf(const std::string& command) {
    if (command.empty() || command[0] != '"') return command.substr(0, command.find(' '));
    const size_t end = command.find('"', 1);
    return command.substr(1, end == std::string::npos ? std::string::npos : end - 1);
}

// Whether a command held by the entry under keyName starts something that is there. productAt
// says whether the folder of a name below the maintenance root holds setup.exe.
// - isreloc's command: its -guid names the entry's own key, whose folder holds the product;
// - a product's own command naming a program below the root: that folder holds the product
//   (a program elsewhere is not isreloc's to keep).
// A run stopped part-way leaves isreloc's command where the next run must find it: killed between
// its two moves, key and folder are under the run's two names and no one command can name both;
// a restore that failed after its moves gives the main command back last, so the key already
// under the restored name still runs isreloc, which finishes the restore. There isreloc's command
// must name the entry's key by one of its two names and the product's folder by one of them, and
// running it is what proves the rest.
inline bool commandRuns(const std::string& command, const std::string& keyName, const std::string& root,
                        const std::function<bool(const std::string&)>& productAt, bool partWay = false) {
    if (const std::optional<IsrelocCommandForm> form = isrelocCommandForm(command)) {
        if (!partWay) return namesMatch(form->relocated, keyName) && productAt(form->relocated);
        return (namesMatch(form->relocated, keyName) || namesMatch(form->restored, keyName)) &&
               (productAt(form->relocated) || productAt(form->restored));
    }
    const std::string program = programOf(command);
    if (!namesMatch(program.substr(0, root.size()), root)) return true;
    const std::string below = program.substr(root.size());
    return productAt(below.substr(0, below.find('\\')));
}

}  // namespace entry_promise
