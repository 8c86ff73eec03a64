#include "SearchCriteria.h"

namespace zeph {

std::optional<std::string> applySearchLine(const SearchLine& line, SearchCriteria& criteria) {
    if (line.error) return line.error->message;
    criteria.name = line.name;
    criteria.filters.insert(criteria.filters.end(), line.filters.begin(), line.filters.end());
    if (line.content) {
        if (!criteria.content.empty() && criteria.content != *line.content)
            return std::string("搜索框中的 content: 与“文件中的一个字或词组”不同，请只写一处");
        criteria.content = *line.content;
    }
    if (line.caseSensitive) criteria.caseSensitive = *line.caseSensitive;
    if (line.exact) criteria.exactMatch = *line.exact;
    if (line.hidden) criteria.showHidden = *line.hidden;
    return std::nullopt;
}

}  // namespace zeph
