// The typed filters of a search line (SearchLine.h) as the engine tests each
// candidate's file-list line by them: no file is touched, every value comes
// from the line. Regular expressions run on RE2, in time linear in the name,
// so no pattern can stall a search; they are compiled once, for every worker.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/FileList.h"
#include "common/SearchLine.h"

namespace re2 {
class RE2;
}

namespace zeph {

class LineFilters {
public:
    LineFilters(std::vector<LineFilter> filters, bool caseSensitive);
    ~LineFilters();
    LineFilters(const LineFilters&) = delete;
    LineFilters& operator=(const LineFilters&) = delete;

    bool empty() const { return m_filters.empty(); }
    // suffixType: the extension table's type of the entry's suffix (0: none).
    bool accepts(const FileListLine& line, bool isFolder, std::string_view loweredSuffix,
                 int suffixType) const;

    // For narrowing the candidates (no pattern compiled): the suffixes one of
    // which every match has (a wanted ext:), or none.
    static std::optional<std::vector<std::string>> requiredSuffixes(
        const std::vector<LineFilter>& filters);
    // A run of text every matching name holds, from the literal parts of a
    // name pattern (GBK); "" when there is none to rely on.
    static std::string requiredNameText(const std::vector<LineFilter>& filters);

private:
    bool acceptsOne(size_t index, const FileListLine& line, bool isFolder,
                    std::string_view loweredSuffix, int suffixType) const;

    std::vector<LineFilter> m_filters;
    std::vector<std::unique_ptr<re2::RE2>> m_patterns;  // by filter, for regex ones
};

}  // namespace zeph
