// The file list AllFiles.dat: one line per folder and file the walk met,
//   kind name TAB folder TAB size TAB created TAB modified TAB accessed LF
// with kind 'D' (folder) or '_' (file), numbers in signed decimal (64-bit).
// An entry's id is the byte offset of its line in the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zeph {

inline constexpr char kFolderKind = 'D';
inline constexpr char kFileKind = '_';

struct FileTimes {
    std::int64_t created = 0;
    std::int64_t modified = 0;
    std::int64_t accessed = 0;
};

// Appends one line to out.
void appendFileListLine(std::string& out, bool isFolder, std::string_view name,
                        std::string_view folder, std::int64_t size, const FileTimes& times);

// A name or folder that would break the line format (tab, line feed, carriage return).
bool breaksFileListLine(std::string_view text);

struct FileListLine {
    bool isFolder = false;
    std::string_view name;
    std::string_view folder;
    // The numbers after the folder field, as many as could be read (0 to 4).
    int numberCount = 0;
    std::int64_t size = 0;
    FileTimes times;
};

// Splits one line (without its line feed). nullopt when the kind byte is not
// 'D' or '_', or the line has fewer than two tabs or no number after them.
std::optional<FileListLine> parseFileListLine(std::string_view line);

}  // namespace zeph
