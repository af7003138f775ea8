#include "relocation/maintenance_root.h"

#include "relocation/product_paths.h"

namespace {

const char16_t* const kMaintenanceFolder = u"InstallShield Installation Information\\";

}  // namespace

std::u16string locateMaintenanceRoot(TRegistry& registry) {
    std::u16string programFiles;
    if (registry.openPath(kCurrentVersionKey, false)) programFiles = registry.readWideText("ProgramFilesDir");
    registry.closePath();
    const bool endsInBackslash = !programFiles.empty() && programFiles.back() == u'\\';
    return programFiles + (endsInBackslash ? u"" : u"\\") + kMaintenanceFolder;
}
