// /proc/self/mountinfo text of any content: parsed without reading past it;
// "/" is always the first drive.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/Drives.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    auto mounts = zeph::parseMountInfo(std::string_view(reinterpret_cast<const char*>(data), size));
    auto drives = zeph::listDrives(mounts);
    if (drives.empty() || drives.front() != "/") std::abort();
    return 0;
}
