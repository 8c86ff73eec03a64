// A file-list line of any bytes: parsed without reading past it; a parsed line
// written again parses to the same fields.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/FileList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto line = zeph::parseFileListLine(text);
    if (!line || line->numberCount < 4 || zeph::breaksFileListLine(line->name) ||
        zeph::breaksFileListLine(line->folder))
        return 0;
    std::string again;
    zeph::appendFileListLine(again, line->isFolder, line->name, line->folder, line->size,
                             line->times);
    again.pop_back();
    auto reparsed = zeph::parseFileListLine(again);
    if (!reparsed || reparsed->name != line->name || reparsed->folder != line->folder ||
        reparsed->size != line->size || reparsed->times.accessed != line->times.accessed)
        std::abort();
    return 0;
}
