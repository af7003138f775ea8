#include "fuzz/mode_run/run_names.h"

#include "fuzz/mode_run/machine.h"

namespace mode_run {

using entry_promise::namesMatch;

namespace {

// A relocated name given without -tguid: less everything from its "_" when it is a GUID in
// braces followed by "_" and digits; otherwise the name itself, which the run must refuse.
std::string restoredNameOf(const std::string& name) {
    const size_t underscore = name.find('_');
    const bool guid = name.size() >= 38 && name[0] == '{' && name[9] == '-' && name[14] == '-' && name[19] == '-' &&
                      name[24] == '-' && name[37] == '}';
    bool digits = guid && underscore >= 38 && underscore != std::string::npos && underscore + 1 < name.size();
    for (size_t at = underscore + 1; digits && at < name.size(); ++at) digits = name[at] >= '0' && name[at] <= '9';
    return digits ? name.substr(0, underscore) : name;
}

}  // namespace

RunNames runNamesOf(const std::vector<std::string>& arguments) {
    std::vector<std::string> list;
    RunNames names;
    for (const std::string& argument : arguments) {
        const std::string word = lowered(argument);
        if (word == "--") break;
        names.silent = names.silent || word == "-silent" || word == "-quiet";
        names.wait = names.wait || word == "-wait" || word == "-quiet";
        if (word != "-silent" && word != "-wait" && word != "-quiet" && word.rfind("-log", 0) != 0 &&
            word.rfind("-timeout", 0) != 0)
            list.push_back(word);
    }
    for (auto word = list.begin(); word != list.end(); ++word)
        if (*word == "-u" || *word == "-uninstall" || *word == "-modify") {
            names.uninstallMode = true;
            names.modify = *word == "-modify";
            list.erase(word);
            break;
        }
    for (const std::string& word : list) {
        if (!names.guidFound && word.find("-guid") != std::string::npos) {
            names.guidFound = true;
            names.source = upper(word.substr(5));
        }
        if (!names.target && word.find("-tguid") != std::string::npos) names.target = word.substr(6);
    }
    if (!names.target && names.uninstallMode) names.target = restoredNameOf(names.source);
    return names;
}

bool isRunName(const RunNames& names, const std::string& name) {
    return names.guidFound && (namesMatch(name, names.source) || (names.target && namesMatch(name, *names.target)));
}

}  // namespace mode_run
