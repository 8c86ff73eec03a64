#include "Paths.h"

#include <unistd.h>

#include <vector>

#include "Codec.h"

namespace zeph {

namespace {
std::string_view withoutTrailingSlashes(std::string_view folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
    return folder;
}
}  // namespace

void joinPathInto(std::string& out, std::string_view folder, std::string_view name) {
    out.assign(folder);
    while (!name.empty() && name.front() == '/') name.remove_prefix(1);
    if (out.empty() || out.back() != '/') out += '/';
    out += name;
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string out;
    joinPathInto(out, folder, name);
    return out;
}

std::string normalizeFolder(std::string_view folder) {
    return std::string(withoutTrailingSlashes(folder));
}

bool folderContains(std::string_view folder, std::string_view path) {
    std::string_view parent = withoutTrailingSlashes(folder);
    std::string_view child = withoutTrailingSlashes(path);
    if (parent == "/") return !child.empty() && child.front() == '/';
    if (child.size() < parent.size() || child.compare(0, parent.size(), parent) != 0) return false;
    return child.size() == parent.size() || child[parent.size()] == '/';
}

std::string executableFolder() {
    std::vector<char> buffer(4096);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return ".";
        if (static_cast<size_t>(n) < buffer.size()) {
            std::string exe(buffer.data(), static_cast<size_t>(n));
            size_t slash = exe.rfind('/');
            std::string folder = slash == 0 ? "/" : exe.substr(0, slash);
            return toGbk(folder).value_or(folder);
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace zeph
