// The name test of a search: the tokens of the name text must all occur in a
// candidate's name (at character starts), lower-cased unless case counts, and
// with the exact option the whole name must equal the text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/KeyScheme.h"

namespace zeph {

struct SearchCriteria;

class NameMatcher {
public:
    explicit NameMatcher(const SearchCriteria& criteria);

    // Whether the name text gives anything to look up: no text (or only
    // separators) leaves the candidates to the type and the filters.
    bool hasTokens() const { return !m_tokens.empty(); }
    const std::vector<std::string>& tokens() const { return m_tokens; }
    // The index keys every matching name holds.
    std::vector<IndexKey> keys() const;

    // scratch: a buffer of the caller's, so no test allocates.
    bool matches(std::string_view name, std::string& scratch) const;

private:
    std::string m_text;
    std::vector<std::string> m_tokens;
    bool m_caseSensitive;
    bool m_exact;
};

}  // namespace zeph
