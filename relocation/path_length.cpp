#include "relocation/path_length.h"

#include "relocation/product_paths.h"

namespace {

// The system's longest path, less the long-path prefix and the terminating NUL.
constexpr std::size_t kLongestPath = 32767 - 4 - 1;

}  // namespace

bool fitsInPath(const std::u16string& root, const std::string& productName) {
    return root.size() + productName.size() + std::u16string(kMarkerFile).size() <= kLongestPath;
}
