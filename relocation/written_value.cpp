#include "relocation/written_value.h"

std::u16string writtenValue(const ModeContext& context, const FoundOption& option, const std::string& keyword) {
    if (!option.found) return std::u16string();
    const auto at = static_cast<std::size_t>(option.index);
    const std::u16string written = at < context.writtenArguments.size() ? context.writtenArguments[at]
                                                                         : context.registryApi.widen(option.entry);
    return written.size() > keyword.size() ? written.substr(keyword.size()) : std::u16string();
}

std::string writtenName(const ModeContext& context, const FoundOption& option, const std::string& keyword) {
    return context.registryApi.narrow(writtenValue(context, option, keyword));
}
