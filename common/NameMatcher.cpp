#include "NameMatcher.h"

#include <algorithm>

#include "common/GbkChars.h"

namespace zeph {

namespace {

bool isSeparator(char c) {
    return c == ' ' || c == ',' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

bool NameMatcher::Alternative::hasLiteral() const {
    return std::any_of(pieces.begin(), pieces.end(),
                       [](const Piece& piece) { return piece.kind == Piece::Literal; });
}

NameMatcher::NameMatcher(std::string_view text, bool caseSensitive, bool exact)
    : m_text(text), m_caseSensitive(caseSensitive), m_exact(exact) {
    parse(m_text);
}

// Walks the text a character at a time, so no mark is ever read inside a
// double-byte character (whose second byte may be '|').
void NameMatcher::parse(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isSeparator(text[i])) ++i;
        Term term;
        Alternative alternative;
        std::string literal;
        bool quoted = false, first = true;
        auto endLiteral = [&] {
            if (!literal.empty())
                alternative.pieces.push_back(
                    {Piece::Literal, m_caseSensitive ? literal : lowerBytes(literal), literal});
            literal.clear();
        };
        auto endAlternative = [&] {
            endLiteral();
            if (!alternative.pieces.empty()) term.alternatives.push_back(std::move(alternative));
            alternative = Alternative();
        };
        for (; i < text.size(); first = false) {
            char c = text[i];
            if (!quoted && isSeparator(c)) break;
            bool mark =
                c == '"' || (!quoted && (c == '|' || c == '*' || c == '?' || (c == '!' && first)));
            if (!mark) {
                size_t length = characterLength(text, i);
                literal.append(text.substr(i, length));
                i += length;
                continue;
            }
            m_plain = false;
            ++i;
            if (c == '"') {
                quoted = !quoted;
            } else if (c == '!') {
                term.exclude = true;
            } else if (c == '|') {
                endAlternative();
            } else {
                endLiteral();
                alternative.pieces.push_back(
                    {c == '*' ? Piece::AnyRun : Piece::OneCharacter, {}, {}});
                alternative.pattern = true;
            }
        }
        endAlternative();
        if (!term.alternatives.empty()) m_terms.push_back(std::move(term));
    }
}

bool NameMatcher::narrows() const {
    return !candidateKeys().empty();
}

std::vector<std::vector<std::vector<IndexKey>>> NameMatcher::candidateKeys() const {
    std::vector<std::vector<std::vector<IndexKey>>> groups;
    for (const Term& term : m_terms) {
        if (term.exclude) continue;
        std::vector<std::vector<IndexKey>> alternatives;
        for (const Alternative& alternative : term.alternatives) {
            if (!alternative.hasLiteral()) break;
            std::vector<IndexKey>& keys = alternatives.emplace_back();
            for (const Piece& piece : alternative.pieces)
                if (piece.kind == Piece::Literal)
                    for (const IndexKey& key : queryKeys(piece.text)) keys.push_back(key);
        }
        if (alternatives.size() == term.alternatives.size())
            groups.push_back(std::move(alternatives));
    }
    return groups;
}

// Matches the whole name: a '*' takes any run of characters, a '?' one
// character, never half of one. On a mismatch the last '*' takes one more
// character and matching goes on after it.
bool NameMatcher::matchesPattern(std::string_view name, const std::vector<Piece>& pieces) {
    size_t at = 0, piece = 0;
    size_t starPiece = std::string_view::npos, starAt = 0;
    for (;;) {
        if (piece < pieces.size()) {
            const Piece& p = pieces[piece];
            if (p.kind == Piece::AnyRun) {
                starPiece = piece++;
                starAt = at;
                continue;
            }
            if (p.kind == Piece::OneCharacter && at < name.size()) {
                at += characterLength(name, at);
                ++piece;
                continue;
            }
            if (p.kind == Piece::Literal && name.substr(at, p.text.size()) == p.text) {
                at += p.text.size();
                ++piece;
                continue;
            }
        } else if (at == name.size()) {
            return true;
        }
        if (starPiece == std::string_view::npos || starAt >= name.size()) return false;
        starAt += characterLength(name, starAt);
        at = starAt;
        piece = starPiece + 1;
    }
}

bool NameMatcher::holds(std::string_view name, std::string_view typedName,
                        const Alternative& alternative) const {
    if (alternative.pattern) return matchesPattern(name, alternative.pieces);
    const Piece& literal = alternative.pieces.front();
    if (m_exact && !m_plain) return typedName == literal.typed;
    return findAtCharacter(name, literal.text) != std::string_view::npos;
}

bool NameMatcher::matches(std::string_view name, std::string& scratch) const {
    if (m_plain && m_exact && name != m_text) return false;
    if (m_terms.empty()) return true;
    const std::string_view typedName = name;
    if (!m_caseSensitive) {
        scratch.assign(name);
        lowerBytesInPlace(scratch);
        name = scratch;
    }
    for (const Term& term : m_terms) {
        bool any = false;
        for (const Alternative& alternative : term.alternatives)
            if ((any = holds(name, typedName, alternative))) break;
        if (any == term.exclude) return false;
    }
    return true;
}

}  // namespace zeph
