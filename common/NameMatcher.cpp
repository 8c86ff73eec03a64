#include "NameMatcher.h"

#include <algorithm>

#include "common/Codec.h"
#include "common/GbkChars.h"
#include "common/PinyinMatch.h"

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

NameMatcher::NameMatcher(std::string_view text, bool caseSensitive, bool exact,
                         const PinyinTable* pinyin)
    : m_text(text), m_caseSensitive(caseSensitive), m_exact(exact), m_pinyin(pinyin) {
    parse(m_text);
    if (!m_pinyin) return;
    for (Term& term : m_terms)
        for (Alternative& alternative : term.alternatives) {
            for (Piece& piece : alternative.pieces)
                if (piece.kind == Piece::Literal) piece = widePiece(piece.typed);
            widen(alternative);
        }
}

NameMatcher::Piece NameMatcher::widePiece(std::string typed) const {
    Piece piece{Piece::Literal, m_caseSensitive ? typed : lowerBytes(typed), typed, false, {}, {}};
    piece.forced = forcedStarts(*m_pinyin, typed);
    piece.spelling = !piece.forced.empty();
    if (!isAscii(typed)) piece.simplified = simplifiedText(*m_pinyin, typed);
    return piece;
}

// Cuts each literal at the edges of its runs of letters, a character at a
// time (the second byte of a double-byte character may be a letter's byte).
void NameMatcher::widen(Alternative& alternative) {
    auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    bool mixed = false;
    for (const Piece& piece : alternative.pieces) {
        if (piece.kind != Piece::Literal) {
            alternative.wide.push_back(piece);
            continue;
        }
        if (!piece.simplified.empty()) m_simplifies = true;
        const std::string& typed = piece.typed;
        size_t start = 0;
        for (size_t at = 0; at < typed.size();) {
            size_t next = at + characterLength(typed, at);
            if (next == typed.size() || isLetter(typed[at]) != isLetter(typed[next])) {
                alternative.wide.push_back(widePiece(typed.substr(start, next - start)));
                mixed = mixed || start > 0;
                start = next;
            }
            at = next;
        }
    }
    if (!alternative.pattern && mixed) {
        alternative.wide.insert(alternative.wide.begin(), Piece{Piece::AnyRun, {}, {}, false, {}, {}});
        alternative.wide.push_back(Piece{Piece::AnyRun, {}, {}, false, {}, {}});
    }
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
                    {Piece::Literal, m_caseSensitive ? literal : lowerBytes(literal), literal, false, {}, {}});
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
                    {c == '*' ? Piece::AnyRun : Piece::OneCharacter, {}, {}, false, {}, {}});
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

// The ways a literal can be present, each as key groups: by its own keys,
// a Chinese character by any of its forms; and, for a spelling, by some
// character whose reading starts with its first letter.
std::vector<std::vector<NameMatcher::KeyGroup>> NameMatcher::literalOptions(const Piece& piece) const {
    // The forms of each Chinese character typed, by the key of the character
    // lower-cased (as names are for the keys): the lower-casing must come
    // after the look-up, as it turns a second byte like 'L' into another
    // character (長 E94C would become E96C).
    auto keyOf = [](std::uint16_t code) -> std::uint32_t {
        return (code & 0xFF00u) | static_cast<unsigned char>(lowerByte(static_cast<char>(code & 0xFF)));
    };
    std::vector<std::pair<std::uint32_t, std::uint16_t>> forms;  // key, a form of the typed character
    if (m_pinyin)
        for (size_t at = 0; at < piece.typed.size(); at += characterLength(piece.typed, at))
            if (std::uint16_t code = PinyinTable::codeAt(piece.typed, at))
                for (std::uint16_t form : m_pinyin->variants(code)) forms.emplace_back(keyOf(code), form);
    std::vector<KeyGroup> own;
    for (const IndexKey& key : queryKeys(piece.text)) {
        KeyGroup& group = own.emplace_back(1, key);
        if (key.table != KeyTable::Character) continue;
        for (const auto& [typedKey, form] : forms) {
            IndexKey formKey{KeyTable::Character, keyOf(form)};
            if (typedKey == key.key && std::find(group.begin(), group.end(), formKey) == group.end())
                group.push_back(formKey);
        }
    }
    std::vector<std::vector<KeyGroup>> options{std::move(own)};
    if (m_pinyin && piece.spelling) {
        // A character starting with the letter at each place every spelling
        // starts one; the engine reads the groups that narrow most.
        std::vector<KeyGroup> spelled;
        std::string letters;
        for (size_t at : piece.forced) {
            char letter = lowerByte(piece.typed[at]);
            if (letters.find(letter) != std::string::npos) continue;
            letters += letter;
            KeyGroup& group = spelled.emplace_back();
            for (std::uint16_t code : m_pinyin->startingWith(letter))
                group.push_back({KeyTable::Character, keyOf(code)});
        }
        if (!spelled.empty()) options.push_back(std::move(spelled));
    }
    return options;
}

std::vector<std::vector<std::vector<NameMatcher::KeyGroup>>> NameMatcher::candidateKeys() const {
    // Only this many spelled literals of one alternative are combined (their
    // combinations of letters and pinyin grow twice with each); the rest
    // narrow nothing, but the first ones still do.
    constexpr size_t kSpelledAtMost = 3;
    std::vector<std::vector<std::vector<KeyGroup>>> terms;
    for (const Term& term : m_terms) {
        if (term.exclude) continue;
        std::vector<std::vector<KeyGroup>> ways;
        bool narrows = true;
        for (const Alternative& alternative : term.alternatives) {
            if (!alternative.hasLiteral()) {
                narrows = false;
                break;
            }
            const std::vector<Piece>& pieces = m_pinyin ? alternative.wide : alternative.pieces;
            size_t spelled = 0;
            std::vector<std::vector<KeyGroup>> combined{{}};
            for (const Piece& piece : pieces) {
                if (piece.kind != Piece::Literal) continue;
                auto options = literalOptions(piece);
                if (options.size() > 1 && ++spelled > kSpelledAtMost) continue;
                std::vector<std::vector<KeyGroup>> next;
                for (const auto& sofar : combined)
                    for (const auto& option : options) {
                        auto way = sofar;
                        way.insert(way.end(), option.begin(), option.end());
                        next.push_back(std::move(way));
                    }
                combined = std::move(next);
            }
            // A way with no keys (every literal left out) narrows nothing.
            if (combined.front().empty()) {
                narrows = false;
                break;
            }
            ways.insert(ways.end(), combined.begin(), combined.end());
        }
        if (narrows) terms.push_back(std::move(ways));
    }
    return terms;
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

// A literal of a pattern at a place of the name: the ends it may reach.
template <class Visit>
static void literalEnds(const PinyinTable* pinyin, std::string_view name, std::string_view typedName,
                        std::string_view simplifiedName, size_t at, const std::string& text,
                        bool spelling, const std::string& simplified, Visit&& visit) {
    if (name.substr(at, text.size()) == text) visit(at + text.size());
    if (!pinyin) return;
    if (!simplified.empty() && simplifiedName.substr(at, simplified.size()) == simplified)
        visit(at + simplified.size());
    if (spelling) {
        std::vector<size_t> ends;
        spellEnds(*pinyin, typedName, at, text, ends);
        for (size_t end : ends) visit(end);
    }
}

// The pattern by trying every way each piece may match, each place of a
// piece looked at once.
bool NameMatcher::matchesPatternWide(std::string_view name, std::string_view typedName,
                                     std::string_view simplifiedName,
                                     const std::vector<Piece>& pieces) const {
    const size_t width = name.size() + 1;
    std::vector<bool> tried(pieces.size() * width, false);
    auto match = [&](auto& self, size_t piece, size_t at) -> bool {
        if (piece == pieces.size()) return at == name.size();
        if (tried[piece * width + at]) return false;
        tried[piece * width + at] = true;
        const Piece& p = pieces[piece];
        if (p.kind == Piece::AnyRun) {
            for (size_t from = at;; from += characterLength(name, from)) {
                if (self(self, piece + 1, from)) return true;
                if (from >= name.size()) return false;
            }
        }
        if (p.kind == Piece::OneCharacter)
            return at < name.size() && self(self, piece + 1, at + characterLength(name, at));
        bool found = false;
        literalEnds(m_pinyin, name, typedName, simplifiedName, at, p.text, p.spelling, p.simplified,
                    [&](size_t end) { found = found || self(self, piece + 1, end); });
        return found;
    };
    return match(match, 0, 0);
}

bool NameMatcher::holds(std::string_view name, std::string_view typedName,
                        const Alternative& alternative) const {
    thread_local std::string simplified;
    const bool simplifying = m_pinyin && m_simplifies;
    if (simplifying) simplified = simplifiedText(*m_pinyin, typedName);
    if (alternative.pattern)
        return m_pinyin ? matchesPatternWide(name, typedName, simplified, alternative.wide)
                        : matchesPattern(name, alternative.pieces);
    const Piece& literal = alternative.pieces.front();
    if (m_exact && !m_plain) return typedName == literal.typed;
    if (findAtCharacter(name, literal.text) != std::string_view::npos) return true;
    if (!m_pinyin) return false;
    if (literal.spelling && spellsIn(*m_pinyin, typedName, literal.text)) return true;
    if (!literal.simplified.empty() &&
        findAtCharacter(simplified, literal.simplified) != std::string_view::npos)
        return true;
    return alternative.wide.size() > 1 &&
           matchesPatternWide(name, typedName, simplified, alternative.wide);
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
