// One search's criteria, filled by the criteria panel before the search starts
// and not changed while it runs. Texts are GBK.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "common/SearchLine.h"

namespace zeph {

enum TimeKind : int { kCreationTime = 0, kModificationTime = 1, kAccessTime = 2 };

struct SearchCriteria {
    std::string name;     // file-name text as typed; tokens separated by space, comma, tab, CR, LF
    std::string content;  // text inside files; empty = no content search
    std::string folder;   // look-in folder; empty = everything
    int timeKind = kCreationTime;
    std::int64_t timeFrom = std::numeric_limits<std::int64_t>::min();
    std::int64_t timeTo = std::numeric_limits<std::int64_t>::max();
    std::int64_t sizeMin = 0;
    std::int64_t sizeMax = std::numeric_limits<std::int64_t>::max();
    int typeTab = 0;  // 0 = all files, k = files of ExtendName type k
    // One flag per ExtendID: 1 = files with this suffix are wanted.
    std::vector<std::uint8_t> typeFlags;
    bool caseSensitive = false;
    bool exactMatch = false;
    bool showHidden = false;  // entries whose name or a folder above starts with '.'
    bool pinyin = true;       // letters also spell Chinese characters (PinyinMatch.h)
    // The typed filters of the search line; all hold besides the above.
    std::vector<LineFilter> filters;
};

// Takes a parsed search line into the criteria: its words become the name,
// its filters join the criteria's, its switches and content text set theirs.
// The error (GBK) when the line has one, or its content text differs from
// the one the criteria have.
std::optional<std::string> applySearchLine(const SearchLine& line, SearchCriteria& criteria);

}  // namespace zeph
