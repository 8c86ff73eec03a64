#include "Drives.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>

#include "Codec.h"

namespace zeph {

namespace {

// Decodes the octal escapes (\040 for a space) the kernel writes in mount points.
std::string unescapeMountField(std::string_view field) {
    auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
            isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<std::string_view> splitSpaces(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ') ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

bool parseDevice(std::string_view field, unsigned& major, unsigned& minor) {
    size_t colon = field.find(':');
    if (colon == std::string_view::npos) return false;
    try {
        major = static_cast<unsigned>(std::stoul(std::string(field.substr(0, colon))));
        minor = static_cast<unsigned>(std::stoul(std::string(field.substr(colon + 1))));
    } catch (...) {
        return false;
    }
    return true;
}

}  // namespace

std::vector<Mount> parseMountInfo(std::string_view text) {
    std::vector<Mount> mounts;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        auto fields = splitSpaces(text.substr(pos, end - pos));
        pos = end + 1;
        // id parent major:minor root mount-point options [optional...] - type source super
        auto dash = std::find(fields.begin(), fields.end(), std::string_view("-"));
        if (fields.size() < 6 || dash == fields.end() || dash - fields.begin() < 6 ||
            fields.end() - dash < 2)
            continue;
        Mount mount;
        if (!parseDevice(fields[2], mount.major, mount.minor)) continue;
        mount.mountPoint = unescapeMountField(fields[4]);
        mount.fsType = std::string(*(dash + 1));
        mounts.push_back(std::move(mount));
    }
    return mounts;
}

std::vector<Mount> readMountInfo() {
    std::ifstream in("/proc/self/mountinfo");
    std::stringstream text;
    text << in.rdbuf();
    return parseMountInfo(text.str());
}

FsKind classifyFsType(std::string_view fsType) {
    static constexpr std::array<std::string_view, 24> kPseudo = {
        "proc",   "sysfs",   "devtmpfs",   "devpts",     "tmpfs",     "ramfs",
        "cgroup", "cgroup2", "securityfs", "debugfs",    "tracefs",   "pstore",
        "bpf",    "mqueue",  "hugetlbfs",  "configfs",   "fusectl",   "binfmt_misc",
        "autofs", "nsfs",    "efivarfs",   "rpc_pipefs", "selinuxfs", "squashfs"};
    static constexpr std::array<std::string_view, 6> kNetwork = {"nfs",  "nfs4",  "cifs",
                                                                 "smb3", "smbfs", "fuse"};
    if (std::find(kPseudo.begin(), kPseudo.end(), fsType) != kPseudo.end()) return FsKind::Pseudo;
    if (std::find(kNetwork.begin(), kNetwork.end(), fsType) != kNetwork.end() ||
        fsType.starts_with("fuse."))
        return FsKind::Network;
    return FsKind::Real;
}

std::vector<std::string> listDrives(const std::vector<Mount>& mounts) {
    std::vector<std::string> others;
    for (const Mount& mount : mounts) {
        if (mount.mountPoint == "/" || classifyFsType(mount.fsType) == FsKind::Pseudo) continue;
        if (auto gbk = toGbk(mount.mountPoint)) others.push_back(*gbk);
    }
    std::sort(others.begin(), others.end());
    others.erase(std::unique(others.begin(), others.end()), others.end());
    others.insert(others.begin(), "/");
    return others;
}

std::vector<std::string> listDrives() {
    return listDrives(readMountInfo());
}

}  // namespace zeph
