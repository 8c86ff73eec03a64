// Drives on Linux: the mount points of real file systems, read from
// /proc/self/mountinfo. "/" is always a drive.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeph {

struct Mount {
    unsigned major = 0;
    unsigned minor = 0;
    std::string mountPoint;  // UTF-8, as the kernel reports it (escapes decoded)
    std::string fsType;
};

enum class FsKind { Real, Network, Pseudo };

std::vector<Mount> parseMountInfo(std::string_view text);
std::vector<Mount> readMountInfo();

// Pseudo and memory file systems are never drives; network and FUSE ones are
// drives a user may pick but a walk does not enter on its own.
FsKind classifyFsType(std::string_view fsType);

// The drives for the look-in list, in GBK: "/" first, then the other mount
// points of real and network file systems in sorted order, without repeats.
std::vector<std::string> listDrives(const std::vector<Mount>& mounts);
std::vector<std::string> listDrives();

}  // namespace zeph
