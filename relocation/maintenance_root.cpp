#include "relocation/maintenance_root.h"

#include <vector>

#include "relocation/boxes.h"
#include "relocation/key_probe.h"
#include "relocation/product_paths.h"

namespace {

const char16_t* const kMaintenanceFolder = u"InstallShield Installation Information\\";
const char16_t* const kProgramFilesValue = u"ProgramFilesDir";

// The value's text up to its first NUL; empty when the registry says it is not there (a prefix
// or a system without it), nothing when it is there but cannot be read.
std::optional<std::u16string> readProgramFiles(RegistryApi& api, const OwnedKey& currentVersion) {
    uint32_t type = 0;
    uint32_t size = 0;
    const int32_t probed = api.regQueryValueExW(currentVersion.get(), kProgramFilesValue, &type, nullptr, &size);
    if (probed == kErrorFileNotFound) return std::u16string();
    if (probed != 0) return std::nullopt;
    std::vector<uint8_t> data(size);
    if (size != 0 && api.regQueryValueExW(currentVersion.get(), kProgramFilesValue, &type, data.data(), &size) != 0)
        return std::nullopt;
    if (size != 0 && type != kRegSz && type != kRegExpandSz)
        throw ERegistryException("Invalid data type for 'ProgramFilesDir'");
    std::u16string text;
    for (std::size_t at = 0; at + 1 < size; at += 2) {
        const char16_t unit = static_cast<char16_t>(data[at] | (data[at + 1] << 8));
        if (unit == u'\0') break;
        text.push_back(unit);
    }
    return text;
}

}  // namespace

std::optional<std::u16string> locateMaintenanceRoot(ModeContext& context) {
    const ReadableKey currentVersion = openKeyForReading(context.registryApi, kCurrentVersionKey);
    std::optional<std::u16string> programFiles;
    if (currentVersion.probe == KeyProbe::absent) programFiles = std::u16string();
    if (currentVersion.probe == KeyProbe::present) programFiles = readProgramFiles(context.registryApi, currentVersion.key);
    if (!programFiles) {
        showRegistryUnavailable(context);
        return std::nullopt;
    }
    const bool endsInBackslash = !programFiles->empty() && programFiles->back() == u'\\';
    return *programFiles + (endsInBackslash ? u"" : u"\\") + kMaintenanceFolder;
}
