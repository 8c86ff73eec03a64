// The search language: one line for the window's name box, zeph-query's words
// and the desktop's launchers. Besides the words of a name (NameMatcher.h) it
// holds typed filters, each name:value in any order, '!' in front to negate:
//   ext:pdf;docx  type:文档  size:>10mb  size:1mb..5mb  size:empty
//   dm: dc: da:   (modified, created, accessed; DateRanges.h)
//   in: path:     a folder (absolute, or ~ for home: the folder and below;
//                 a relative one: any folder of that name on the path)
//   parent:       a folder's direct children only
//   file:  folder:  hidden:  case:  exact:  (no value, or off)
//   content:word  content:"two words"
//   regex:^v\d+   regex:path:...   (on the name, or on the whole path)
// A value may be quoted. A quoted word ("a:b") or an unknown name (xyz:) is a
// plain word of the name. Texts are GBK; the line is parsed once, here.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zeph {

struct LineFilter {
    enum Kind { Extension, Type, Size, Modified, Created, Accessed, Below, Parent, Files,
                Folders, Regex };
    Kind kind = Extension;
    bool negated = false;
    std::vector<std::string> suffixes;  // Extension: lower case, without the dot
    int type = 0;                       // Type: the extension table's type (1 to 5)
    std::int64_t from = 0, to = 0;      // Size (bytes) and times (seconds): inclusive
    std::string folder;                 // Below, Parent: GBK, normalised
    bool relative = false;              // Below: a folder name anywhere on the path
    std::string pattern;                // Regex: UTF-8
    bool wholePath = false;             // Regex: on the whole path, not the name
};

struct SearchLine {
    std::string name;  // the words of the name, as NameMatcher reads them
    std::vector<LineFilter> filters;
    std::optional<std::string> content;
    std::optional<bool> caseSensitive, exact, hidden;
    // Where the filters stand in the line (bytes), for the window to mark.
    struct Span {
        size_t begin, end;
    };
    std::vector<Span> filterSpans;
    // A value that is not understood: where it is and why (GBK).
    struct Error {
        size_t begin = 0, end = 0;
        std::string message;
    };
    std::optional<Error> error;
};

struct LineContext {
    std::time_t now = 0;
    std::string home;  // GBK, for ~
};

SearchLine parseSearchLine(std::string_view gbkLine, const LineContext& context);

// The filter names, for completion and help.
const std::vector<std::string_view>& filterNames();
// The names a type is known by (Chinese, pinyin, English), by type number.
const std::vector<std::pair<std::string_view, int>>& typeAliases();

}  // namespace zeph
