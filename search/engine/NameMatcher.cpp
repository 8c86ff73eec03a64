#include "NameMatcher.h"

#include "common/GbkChars.h"
#include "search/engine/SearchCriteria.h"

namespace zeph {

NameMatcher::NameMatcher(const SearchCriteria& criteria)
    : m_text(criteria.name),
      m_tokens(tokenize(criteria.caseSensitive ? criteria.name : lowerBytes(criteria.name))),
      m_caseSensitive(criteria.caseSensitive),
      m_exact(criteria.exactMatch) {}

std::vector<IndexKey> NameMatcher::keys() const {
    std::vector<IndexKey> keys;
    for (const std::string& token : m_tokens)
        for (const IndexKey& key : queryKeys(token)) keys.push_back(key);
    return keys;
}

bool NameMatcher::matches(std::string_view name, std::string& scratch) const {
    if (m_exact && name != m_text) return false;
    if (m_tokens.empty()) return true;
    if (!m_caseSensitive) {
        scratch.assign(name);
        lowerBytesInPlace(scratch);
        name = scratch;
    }
    for (const std::string& token : m_tokens)
        if (findAtCharacter(name, token) == std::string_view::npos) return false;
    return true;
}

}  // namespace zeph
