// The name text of a search and the test it makes of each candidate's name.
// Plain text is a list of tokens (cut at space, comma, tab, CR, LF) that must
// all occur in the name, at character starts. Beyond that a token may hold:
//   *  ?    a pattern over the whole name: any run of characters, one character
//   a|b     alternatives: the name holds (or matches) any of them
//   !term   names holding (or matching) the term are left out
//   "a b"   quoted text is literal: separators, wildcards and marks included
// Names are lower-cased for the test unless case counts. With the exact
// option a plain text must equal the whole name byte for byte, whatever the
// case option; in a text with marks each literal alternative must, the same way.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/KeyScheme.h"

namespace zeph {

class NameMatcher {
public:
    NameMatcher(std::string_view text, bool caseSensitive, bool exact);

    // Some term to test names by (a text of separators only has none).
    bool hasTerms() const { return !m_terms.empty(); }
    // Whether the index can narrow the candidates: some wanted term whose
    // every alternative has a literal run. Otherwise the type and the filters
    // must, as for an empty name.
    bool narrows() const;
    // For each wanted term that narrows, the keys of each of its alternatives:
    // a matching name holds every key of at least one alternative of each.
    std::vector<std::vector<std::vector<IndexKey>>> candidateKeys() const;

    // scratch: a buffer of the caller's, so no test allocates.
    bool matches(std::string_view name, std::string& scratch) const;

private:
    // One piece of a pattern: literal text, '*' (any run) or '?' (one character).
    struct Piece {
        enum Kind { Literal, AnyRun, OneCharacter } kind;
        std::string text;   // lower-cased unless case counts
        std::string typed;  // as typed, for the exact comparison
    };
    struct Alternative {
        std::vector<Piece> pieces;  // a single Literal piece when it is no pattern
        bool pattern = false;
        bool hasLiteral() const;
    };
    struct Term {
        bool exclude = false;
        std::vector<Alternative> alternatives;
    };

    void parse(std::string_view text);
    bool holds(std::string_view name, std::string_view typedName,
               const Alternative& alternative) const;
    static bool matchesPattern(std::string_view name, const std::vector<Piece>& pieces);

    std::string m_text;
    std::vector<Term> m_terms;
    bool m_caseSensitive;
    bool m_exact;
    bool m_plain = true;  // no marks: the exact option compares the whole text
};

}  // namespace zeph
