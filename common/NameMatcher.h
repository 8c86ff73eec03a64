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
// With the pinyin table, a word of letters also matches Chinese characters it
// spells, and a Chinese word matches in either script (PinyinMatch.h), in
// plain words, patterns, alternatives and exclusions alike.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/KeyScheme.h"

namespace zeph {

class PinyinTable;

class NameMatcher {
public:
    NameMatcher(std::string_view text, bool caseSensitive, bool exact,
                const PinyinTable* pinyin = nullptr);

    // Some term to test names by (a text of separators only has none).
    bool hasTerms() const { return !m_terms.empty(); }
    // Whether the index can narrow the candidates: some wanted term whose
    // every alternative has a literal run. Otherwise the type and the filters
    // must, as for an empty name.
    bool narrows() const;
    // Keys of which a matching name holds at least one.
    using KeyGroup = std::vector<IndexKey>;
    // For each wanted term that narrows, the ways it can be met (its
    // alternatives, each by letters or by pinyin): a matching name holds, for
    // at least one way of each term, a key of every group of that way.
    std::vector<std::vector<std::vector<KeyGroup>>> candidateKeys() const;

    // scratch: a buffer of the caller's, so no test allocates.
    bool matches(std::string_view name, std::string& scratch) const;

private:
    // One piece of a pattern: literal text, '*' (any run) or '?' (one character).
    struct Piece {
        enum Kind { Literal, AnyRun, OneCharacter } kind;
        std::string text;        // lower-cased unless case counts
        std::string typed;       // as typed, for the exact comparison
        bool spelling = false;   // letters that may spell Chinese characters
        std::string simplified;  // with Chinese characters: as typed, each simplified
        std::vector<size_t> forced;  // a spelling's places every spelling starts a character at
    };
    struct Alternative {
        std::vector<Piece> pieces;  // a single Literal piece when it is no pattern
        // With pinyin: the pieces with each literal cut into runs of letters
        // (which may be spelled) and the rest; a literal of both kinds is
        // looked for anywhere in the name, between two '*'.
        std::vector<Piece> wide;
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
    // The same where a literal may also be spelled or be in the other script.
    bool matchesPatternWide(std::string_view name, std::string_view typedName,
                            std::string_view simplifiedName, const std::vector<Piece>& pieces) const;
    std::vector<std::vector<KeyGroup>> literalOptions(const Piece& piece) const;
    Piece widePiece(std::string typed) const;
    void widen(Alternative& alternative);

    std::string m_text;
    std::vector<Term> m_terms;
    bool m_caseSensitive;
    bool m_exact;
    bool m_plain = true;  // no marks: the exact option compares the whole text
    const PinyinTable* m_pinyin;
    bool m_simplifies = false;  // some literal holds Chinese characters
};

}  // namespace zeph
