#include "ConfigRules.h"

#include "common/KeyScheme.h"
#include "common/Paths.h"

namespace zeph {

std::string storedFolderName(const std::string& chosen) {
    return normalizeFolder(chosen);
}

std::optional<FolderConflict> findFolderConflict(const std::vector<std::string>& configured,
                                                 const std::string& chosen) {
    for (const std::string& folder : configured) {
        if (folderContains(folder, chosen) && normalizeFolder(folder) != normalizeFolder(chosen))
            return FolderConflict{FolderConflict::InsideConfigured, folder};
        if (folderContains(chosen, folder))
            return FolderConflict{FolderConflict::ContainsConfigured, folder};
    }
    return std::nullopt;
}

std::optional<std::string> normaliseSuffix(const std::string& typed) {
    std::string suffix = !typed.empty() && typed[0] == '.' ? typed.substr(1) : typed;
    if (suffix.empty()) return std::nullopt;
    for (unsigned char c : suffix)
        if (c < 0x20 || c == 0x7F || c == ' ' || c == '/' || c == '.') return std::nullopt;
    return lowerBytes(suffix);
}

}  // namespace zeph
