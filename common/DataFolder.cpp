#include "DataFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "common/Codec.h"
#include "common/Paths.h"
#include "common/StartupSettings.h"

namespace fs = std::filesystem;

namespace zeph {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool keepsOwnData(const std::string& programFolder) {
    std::string folder = osPath(programFolder);
    std::string database = osPath(joinPath(programFolder, kDatabaseFileName));
    std::string marker = osPath(joinPath(programFolder, kInstalledMarker));
    return ::access(marker.c_str(), F_OK) != 0 && ::access(folder.c_str(), W_OK) == 0 &&
           ::access(database.c_str(), W_OK) == 0;
}

}  // namespace

DataFolderChoice chooseDataFolder(const std::string& programFolder, bool keepsOwnData,
                                  const std::string& explicitFolder, const std::string& xdgDataHome,
                                  const std::string& home) {
    if (!explicitFolder.empty()) return {normalizeFolder(explicitFolder), true};
    if (keepsOwnData) return {programFolder, false};
    std::string base =
        !xdgDataHome.empty() ? xdgDataHome : joinPath(home.empty() ? "/tmp" : home, ".local/share");
    return {joinPath(base, "zeph-search"), true};
}

std::optional<std::string> prepareDataFolder(const std::string& programFolder) {
    auto gbk = [](const std::string& utf8) { return toGbk(utf8).value_or(std::string()); };
    DataFolderChoice choice = chooseDataFolder(
        programFolder, keepsOwnData(programFolder), gbk(environment("ZEPH_DATA_DIR")),
        gbk(environment("XDG_DATA_HOME")), gbk(environment("HOME")));
    if (!choice.separate) return choice.folder;
    std::error_code ec;
    fs::path folder = osPath(choice.folder);
    fs::path database = folder / kDatabaseFileName;
    fs::path shipped = osPath(joinPath(programFolder, kDatabaseFileName));
    // Without a database to copy nothing is made: the user is told, and no
    // empty folders are left behind.
    if (!fs::exists(database) && !fs::is_regular_file(shipped)) return std::nullopt;
    for (const char* sub : {"index", "tmp", "ext"}) fs::create_directories(folder / sub, ec);
    if (!fs::exists(database)) {
        // A copy renamed into place: a second program starting at the same
        // moment never opens a half-copied database.
        fs::path part = folder / (std::string(kDatabaseFileName) + ".part");
        fs::copy_file(shipped, part, fs::copy_options::overwrite_existing, ec);
        if (ec) return std::nullopt;
        fs::permissions(part, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                        ec);
        if (!fs::exists(database)) fs::rename(part, database, ec);
        fs::remove(part, ec);
    }
    if (!fs::is_directory(folder / "index")) return std::nullopt;
    return choice.folder;
}

}  // namespace zeph
