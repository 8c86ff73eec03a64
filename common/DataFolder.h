// Where the programs keep what they write: the database, the index and tmp/.
// The program folder itself when it keeps its own data: the user may write
// there and it is no shared installation (an installed program folder holds
// the file INSTALLED). Otherwise a folder of the user's own, prepared on first
// use with a copy of the shipped database. ZEPH_DATA_DIR names it explicitly.
#pragma once

#include <optional>
#include <string>

namespace zeph {

struct DataFolderChoice {
    std::string folder;  // GBK
    bool separate;       // not the program folder
};

// The rule alone. xdgDataHome and home may be empty (unset).
inline constexpr char kInstalledMarker[] = "INSTALLED";

DataFolderChoice chooseDataFolder(const std::string& programFolder, bool keepsOwnData,
                                  const std::string& explicitFolder, const std::string& xdgDataHome,
                                  const std::string& home);

// Applies the rule to this machine and prepares a separate folder (index/,
// tmp/, ext/ and the database). nullopt when it cannot be prepared.
std::optional<std::string> prepareDataFolder(const std::string& programFolder);

}  // namespace zeph
