#include "IndexPublisher.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "common/Codec.h"
#include "common/FileIO.h"
#include "common/IndexFormat.h"
#include "common/IndexManifest.h"
#include "common/Paths.h"

namespace fs = std::filesystem;

namespace zeph {

namespace {

std::string newGenerationName() {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return kGenerationPrefix +
           std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) + "-" +
           std::to_string(::getpid());
}

// Records the sizes of the generation's three files, synced.
bool writeManifest(const fs::path& generation, std::uint64_t walkStarted) {
    bool sized = true;
    auto sizeOf = [&](const char* name) -> std::uint64_t {
        std::error_code ec;  // each call clears it, so each is checked on its own
        auto size = fs::file_size(generation / name, ec);
        sized = sized && !ec;
        return ec ? 0 : size;
    };
    index::Manifest sizes{sizeOf(index::kFileListName), sizeOf(index::kMetaIndexName),
                          sizeOf(index::kIndexDataName), walkStarted};
    if (!sized) return false;
    BufferedWriter out(UniqueFd(::open((generation / index::kManifestName).c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)));
    out.write(index::formatManifest(sizes));
    return out.finish(true);
}

// Points index/ at the generation with one rename of a fresh link. A plain
// index/ folder (a program folder that never had an index) is moved aside first.
bool switchLink(const fs::path& folder, const std::string& generation) {
    std::error_code ec;
    fs::path link = folder / kIndexLinkName;
    fs::path fresh = folder / "index.new";
    fs::remove(fresh, ec);
    fs::create_symlink(generation, fresh, ec);
    if (ec) return false;
    if (fs::is_directory(fs::symlink_status(link, ec))) {
        fs::rename(link, folder / (generation + "-previous"), ec);
        if (ec) return false;
    }
    fs::rename(fresh, link, ec);
    return !ec;
}

}  // namespace

bool moveIndexFile(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::rename(from, to, ec);
    if (!ec) return true;
    // tmp/ on another file system: copy, then sync the copy.
    if (!fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec)) return false;
    UniqueFd fd(::open(to.c_str(), O_RDONLY | O_CLOEXEC));
    return fd.valid() && ::fsync(fd.get()) == 0;
}

bool publishIndex(const std::string& programFolder, std::uint64_t walkStarted,
                  const PublishSteps& steps) {
    fs::path folder = osPath(programFolder);
    if (folder.empty()) return false;
    std::string generation = newGenerationName();
    fs::path target = folder / generation;
    std::error_code ec;
    if (!fs::create_directory(target, ec)) return false;
    for (const char* name : {index::kFileListName, index::kMetaIndexName, index::kIndexDataName}) {
        if (!steps.move(folder / "tmp" / name, target / name)) {
            fs::remove_all(target, ec);
            return false;
        }
    }
    if (!writeManifest(target, walkStarted) ||
        (steps.beforeSwitch && !steps.beforeSwitch(target)) || !syncFolder(target.string()) ||
        !switchLink(folder, generation)) {
        fs::remove_all(target, ec);
        return false;
    }
    syncFolder(folder.string());
    removeStaleGenerations(programFolder);
    return true;
}

void removeStaleGenerations(const std::string& programFolder) {
    fs::path folder = osPath(programFolder);
    std::string current = publishedGeneration(programFolder);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::string name = entry.path().filename().string();
        if (name.starts_with(kGenerationPrefix) && name != current)
            fs::remove_all(entry.path(), ec);
    }
}

}  // namespace zeph
