#include "relocation/written_value.h"

#include "relocation/names.h"

std::u16string writtenValueIn(const std::vector<std::u16string>& written, const FoundOption& option,
                              const std::string& keyword) {
    if (!option.found) return std::u16string();
    const auto at = static_cast<std::size_t>(option.index);
    if (at >= written.size() || written[at].size() <= keyword.size()) return std::u16string();
    return written[at].substr(keyword.size());
}

std::u16string writtenValue(const ModeContext& context, const FoundOption& option, const std::string& keyword) {
    if (!option.found) return std::u16string();
    const auto at = static_cast<std::size_t>(option.index);
    if (at < context.writtenArguments.size()) return writtenValueIn(context.writtenArguments, option, keyword);
    const std::u16string widened = context.registryApi.widen(option.entry);
    return widened.size() > keyword.size() ? widened.substr(keyword.size()) : std::u16string();
}

std::string exactAnsiName(const RegistryApi& api, const std::u16string& written) {
    std::string narrowed = api.narrow(written);
    return api.widen(narrowed) == written ? narrowed : std::string();
}

std::string writtenName(const ModeContext& context, const FoundOption& option, const std::string& keyword) {
    return exactAnsiName(context.registryApi, writtenValue(context, option, keyword));
}

RestoreNames restoreNamesOf(const OptionScan& options, const std::vector<std::u16string>& written) {
    RestoreNames names;
    names.relocated = writtenValueIn(written, options.option(kGuidKeyword), kGuidKeyword);
    names.restored = options.found(kTguidKeyword) ? writtenValueIn(written, options.option(kTguidKeyword), kTguidKeyword)
                                                  : restoredNameFor(names.relocated);
    return names;
}

std::vector<std::u16string> writtenList(const ModeContext& context) {
    std::vector<std::u16string> written = context.writtenArguments;
    for (int32_t at = static_cast<int32_t>(written.size()); at < context.arguments.count(); ++at)
        written.push_back(context.registryApi.widen(context.arguments.at(at)));
    return written;
}
