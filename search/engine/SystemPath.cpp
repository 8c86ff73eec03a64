#include "SystemPath.h"

#include "common/Codec.h"
#include "common/EntryNames.h"
#include "common/Paths.h"

namespace zeph {

std::string systemPath(const ResultRowView& row) {
    std::string held = joinPath(row.folder, row.name);
    if (isAscii(held) && held.find('\\') == std::string::npos) return held;
    if (row.onDiskAsUtf8)
        if (std::string utf8 = osPath(held); !utf8.empty()) return utf8;
    std::string real = osPathOf(held);
    return real.empty() ? toUtf8Lossy(held) : real;
}

}  // namespace zeph
