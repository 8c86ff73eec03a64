#include "IndexGeneration.h"

#include <filesystem>
#include <system_error>

#include "common/Codec.h"
#include "common/Paths.h"

namespace zeph {

std::string publishedGeneration(const std::string& dataFolder) {
    std::error_code ec;
    std::filesystem::path target =
        std::filesystem::read_symlink(osPath(joinPath(dataFolder, kIndexLinkName)), ec);
    return ec ? std::string() : target.filename().string();
}

}  // namespace zeph
