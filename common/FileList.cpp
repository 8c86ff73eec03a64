#include "FileList.h"

#include <charconv>

namespace zeph {

namespace {

void appendNumber(std::string& out, std::int64_t value) {
    char buffer[24];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, end);
}

}  // namespace

void appendFileListLine(std::string& out, bool isFolder, std::string_view name,
                        std::string_view folder, std::int64_t size, const FileTimes& times) {
    out += isFolder ? kFolderKind : kFileKind;
    out += name;
    out += '\t';
    out += folder;
    for (std::int64_t value : {size, times.created, times.modified, times.accessed}) {
        out += '\t';
        appendNumber(out, value);
    }
    out += '\n';
}

bool breaksFileListLine(std::string_view text) {
    return text.find_first_of("\t\n\r") != std::string_view::npos;
}

std::optional<FileListLine> parseFileListLine(std::string_view line) {
    if (line.empty() || (line[0] != kFolderKind && line[0] != kFileKind)) return std::nullopt;
    FileListLine parsed;
    parsed.isFolder = line[0] == kFolderKind;
    size_t tab1 = line.find('\t', 1);
    if (tab1 == std::string_view::npos) return std::nullopt;
    size_t tab2 = line.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos) return std::nullopt;
    parsed.name = line.substr(1, tab1 - 1);
    parsed.folder = line.substr(tab1 + 1, tab2 - tab1 - 1);

    std::int64_t* targets[] = {&parsed.size, &parsed.times.created, &parsed.times.modified,
                               &parsed.times.accessed};
    const char* p = line.data() + tab2 + 1;
    const char* end = line.data() + line.size();
    for (std::int64_t* target : targets) {
        auto [next, ec] = std::from_chars(p, end, *target);
        if (ec != std::errc()) break;
        ++parsed.numberCount;
        if (next == end || *next != '\t') break;
        p = next + 1;
    }
    if (parsed.numberCount == 0) return std::nullopt;
    return parsed;
}

}  // namespace zeph
