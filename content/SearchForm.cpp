#include "SearchForm.h"

#include <unicode/bytestream.h>
#include <unicode/edits.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zeph::content {

namespace {

void lowerAsciiInPlace(std::string& text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

const icu::Normalizer2* normalizer(LetterCase letterCase) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* n = letterCase == LetterCase::Folded
                                    ? icu::Normalizer2::getNFKCCasefoldInstance(status)
                                    : icu::Normalizer2::getNFKCInstance(status);
    return U_SUCCESS(status) ? n : nullptr;
}

// Whether the text's form is the text itself, its ASCII letters lowered when
// without case: every other character is one normalization leaves as it is
// and that never joins its neighbours (most texts: ASCII, Chinese, and
// punctuation outside the compatibility blocks). Such a text is compared
// without the normalizer's cost.
bool onlyInertBeyondAscii(std::string_view text, const icu::Normalizer2* n) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        if (bytes[i] < 0x80) {
            ++i;
            continue;
        }
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0 || !n || !n->isInert(c)) return false;
    }
    return true;
}

// The form of a text whose characters are each normalized on their own (no
// character joins the one before it: no combining mark; a no-break space, a
// ligature, a full-width or accented letter each become their own form),
// built a character at a time with each one's form kept; false for a text
// the normalizer must read whole.
bool formByCharacters(std::string_view text, LetterCase letterCase, const icu::Normalizer2* n,
                      std::string& form) {
    thread_local std::unordered_map<UChar32, std::string> known[2];
    auto& forms = known[letterCase == LetterCase::Folded];
    form.clear();
    form.reserve(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    const bool fold = letterCase == LetterCase::Folded;
    for (int32_t i = 0; i < length;) {
        const uint8_t b = bytes[i];
        if (b < 0x80) {
            form += fold && b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : static_cast<char>(b);
            ++i;
            continue;
        }
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0 || !n) return false;
        if (n->isInert(c)) {
            form.append(text.data() + start, static_cast<size_t>(i - start));
            continue;
        }
        // A boundary before every character: each one's form is its own.
        if (!n->hasBoundaryBefore(c)) return false;
        auto found = forms.find(c);
        if (found == forms.end()) {
            std::string alone;
            icu::StringByteSink<std::string> sink(&alone);
            UErrorCode status = U_ZERO_ERROR;
            n->normalizeUTF8(0, icu::StringPiece(text.data() + start, i - start), sink, nullptr,
                             status);
            if (U_FAILURE(status)) return false;
            found = forms.emplace(c, std::move(alone)).first;
        }
        form += found->second;
    }
    return true;
}

// A text's form and how to find, for a place in the form, the place of the
// text it came from (asked for with mapped).
class MappedForm {
public:
    MappedForm(std::string_view text, LetterCase letterCase, bool mapped = true) {
        const icu::Normalizer2* n = normalizer(letterCase);
        if (onlyInertBeyondAscii(text, n)) {
            m_form.assign(text);
            if (letterCase == LetterCase::Folded) lowerAsciiInPlace(m_form);
            return;
        }
        m_mapped = mapped;
        UErrorCode status = U_ZERO_ERROR;
        icu::StringByteSink<std::string> sink(&m_form);
        if (n)
            n->normalizeUTF8(0, icu::StringPiece(text.data(), static_cast<int32_t>(text.size())),
                             sink, mapped ? &m_edits : nullptr, status);
        if (!n || U_FAILURE(status)) {  // no data: the text as it is
            m_mapped = false;
            m_form.assign(text);
        }
    }
    const std::string& form() const { return m_form; }
    size_t textIndex(size_t formIndex) const {
        if (!m_mapped) return formIndex;
        UErrorCode status = U_ZERO_ERROR;
        icu::Edits::Iterator it = m_edits.getFineIterator();
        int32_t at = it.sourceIndexFromDestinationIndex(static_cast<int32_t>(formIndex), status);
        return U_SUCCESS(status) && at >= 0 ? static_cast<size_t>(at) : formIndex;
    }

private:
    std::string m_form;
    icu::Edits m_edits;
    bool m_mapped = false;
};

// Calls accept(place) for each place the text holds the ASCII word, its
// letters in either case when fold (the word's are then lower case), until
// it says yes; whether one did.
template <class Accept>
bool findAscii(std::string_view text, std::string_view word, bool fold, Accept&& accept) {
    if (word.empty()) return accept(size_t{0});
    if (word.size() > text.size()) return false;
    const char first = word[0];
    const bool letter = fold && first >= 'a' && first <= 'z';
    const char upper = letter ? static_cast<char>(first - 'a' + 'A') : first;
    auto same = [fold](char wordByte, char textByte) {
        return (fold && textByte >= 'A' && textByte <= 'Z' ? textByte - 'A' + 'a' : textByte) ==
               wordByte;
    };
    const char* end = text.data() + text.size() - word.size() + 1;
    auto next = [&](const char* from, char byte) {
        return static_cast<const char*>(std::memchr(from, byte, static_cast<size_t>(end - from)));
    };
    const char* lower = next(text.data(), first);
    const char* capital = letter ? next(text.data(), upper) : nullptr;
    while (lower || capital) {
        const bool takeLower = !capital || (lower && lower < capital);
        const char* at = takeLower ? lower : capital;
        if (std::equal(word.begin() + 1, word.end(), at + 1, same) &&
            accept(static_cast<size_t>(at - text.data())))
            return true;
        if (takeLower)
            lower = at + 1 < end ? next(at + 1, first) : nullptr;
        else
            capital = at + 1 < end ? next(at + 1, upper) : nullptr;
    }
    return false;
}

bool holdsAsciiFolded(std::string_view text, std::string_view word) {
    return findAscii(text, word, true, [](size_t) { return true; });
}

// The code point that starts at i, and its length (1 for a byte that starts none).
std::pair<UChar32, size_t> codePointAt(std::string_view text, size_t i) {
    int32_t at = static_cast<int32_t>(i);
    UChar32 c;
    U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), at, static_cast<int32_t>(text.size()), c);
    return {c, static_cast<size_t>(at) - i};
}

// The code point that ends just before i.
UChar32 codePointBefore(std::string_view text, size_t i) {
    int32_t at = static_cast<int32_t>(i);
    UChar32 c;
    U8_PREV(reinterpret_cast<const uint8_t*>(text.data()), 0, at, c);
    return c;
}

// The length of a hyphen that starts at i: '-', U+2010 or a soft hyphen.
size_t hyphenAt(std::string_view text, size_t i) {
    if (text[i] == '-') return 1;
    if (text.substr(i, 3) == "\xE2\x80\x90") return 3;
    if (text.substr(i, 2) == "\xC2\xAD") return 2;
    return 0;
}

// The line-end breaks of a form: where each starts and how long it is.
std::vector<std::pair<size_t, size_t>> lineEndBreaks(std::string_view form) {
    std::vector<std::pair<size_t, size_t>> breaks;
    for (size_t at = form.find('\n'); at != std::string_view::npos; at = form.find('\n', at + 1)) {
        size_t before = at;
        while (before > 0 && (form[before - 1] == ' ' || form[before - 1] == '\t')) --before;
        size_t hyphen = std::string_view::npos;
        for (size_t length : {1, 2, 3})
            if (before >= length && hyphenAt(form, before - length) == length) hyphen = before - length;
        if (hyphen == std::string_view::npos || hyphen == 0 || !u_isalpha(codePointBefore(form, hyphen)))
            continue;
        size_t after = at + 1;
        while (after < form.size() && (form[after] == ' ' || form[after] == '\t')) ++after;
        // A word goes on in small letters; a capital starts a name ("Jean-" / "Pierre").
        if (after >= form.size() || !u_islower(codePointAt(form, after).first)) continue;
        breaks.emplace_back(hyphen, after - hyphen);
    }
    return breaks;
}

// A form's joined form, and where each break was taken out of it.
struct Joined {
    std::string text;
    std::vector<std::pair<size_t, size_t>> cuts;  // (place in the joined text, bytes taken out)
    size_t formIndex(size_t joinedIndex, bool atEnd) const {
        size_t index = joinedIndex;
        for (const auto& [place, length] : cuts)
            if (place < joinedIndex || (!atEnd && place == joinedIndex)) index += length;
        return index;
    }
};

std::optional<Joined> join(std::string_view form) {
    auto breaks = lineEndBreaks(form);
    if (breaks.empty()) return std::nullopt;
    Joined joined;
    size_t from = 0;
    for (const auto& [at, length] : breaks) {
        joined.text.append(form.substr(from, at - from));
        joined.cuts.emplace_back(joined.text.size(), length);
        from = at + length;
    }
    joined.text.append(form.substr(from));
    return joined;
}

// A text's joined form: its breaks are told by its letters' own case, then
// the case is folded when asked.
struct JoinedText {
    MappedForm kept;
    Joined joined;
    std::optional<MappedForm> folded;
    const std::string& form() const { return folded ? folded->form() : joined.text; }
    size_t textIndex(size_t formIndex, bool atEnd) const {
        size_t index = folded ? folded->textIndex(formIndex) : formIndex;
        return kept.textIndex(joined.formIndex(index, atEnd));
    }
};

std::optional<JoinedText> joinText(std::string_view text, LetterCase letterCase) {
    if (lineEndBreaks(text).empty()) return std::nullopt;
    MappedForm kept(text, LetterCase::Kept);
    auto joined = join(kept.form());
    if (!joined) return std::nullopt;
    JoinedText result{std::move(kept), std::move(*joined), std::nullopt};
    if (letterCase == LetterCase::Folded) result.folded.emplace(result.joined.text, letterCase);
    return result;
}

// The ASCII bytes a character's form holds, as a set of 128 bits.
struct AsciiSet {
    std::uint64_t low = 0, high = 0;
    void add(unsigned char b) { (b < 64 ? low : high) |= std::uint64_t{1} << (b & 63); }
    bool meets(const AsciiSet& other) const {
        return (low & other.low) != 0 || (high & other.high) != 0;
    }
};

// The ASCII bytes of a character's form when it stands alone (kept a
// character at a time). In a text, a character forms with its neighbours
// only by composing, whose results are never ASCII.
const AsciiSet& asciiOfForm(UChar32 c, LetterCase letterCase, const icu::Normalizer2* n) {
    static const AsciiSet kNone;
    if (n->isInert(c)) return kNone;
    thread_local std::unordered_map<UChar32, AsciiSet> known[2];
    auto& sets = known[letterCase == LetterCase::Folded];
    auto found = sets.find(c);
    if (found != sets.end()) return found->second;
    std::string alone, form;
    icu::UnicodeString(c).toUTF8String(alone);
    icu::StringByteSink<std::string> sink(&form);
    UErrorCode status = U_ZERO_ERROR;
    n->normalizeUTF8(0, icu::StringPiece(alone.data(), static_cast<int32_t>(alone.size())), sink,
                     nullptr, status);
    AsciiSet set;
    for (unsigned char b : U_SUCCESS(status) ? form : alone)
        if (b < 0x80) set.add(b);
    return sets.emplace(c, set).first->second;
}

// Whether the line end at a place breaks a word in the text's form just as
// in the text as it stands (most line ends hold no hyphen at all): false when
// a character around it is one the form may turn into a hyphen or a space,
// or whose form may be a letter of another kind.
bool breakToldAsItStands(std::string_view text, size_t lineEnd, LetterCase letterCase,
                         const icu::Normalizer2* n) {
    auto blank = [&](size_t at) { return text[at] == ' ' || text[at] == '\t'; };
    size_t before = lineEnd;
    while (before > 0 && blank(before - 1)) --before;
    if (before == 0) return true;
    const UChar32 last = codePointBefore(text, before);
    size_t hyphen = 0;
    if (last == '-' || last == 0x2010 || last == 0xAD) {
        hyphen = before - (last == '-' ? 1 : last == 0xAD ? 2 : 3);
    } else if (last < 0x80) {
        return true;  // no hyphen, in the form either
    } else {
        const AsciiSet& form = asciiOfForm(last, letterCase, n);
        AsciiSet hyphenOrBlank;
        for (unsigned char b : {'-', ' ', '\t'}) hyphenOrBlank.add(b);
        return last != 0x2011 && !form.meets(hyphenOrBlank);
    }
    // A hyphen: the letters on either side decide, as long as their forms are themselves.
    if (hyphen > 0) {
        const UChar32 letter = codePointBefore(text, hyphen);
        if (letter >= 0x80 && (letter < 0 || !n->isInert(letter))) return false;
    }
    size_t after = lineEnd + 1;
    while (after < text.size() && blank(after)) ++after;
    if (after < text.size() && static_cast<unsigned char>(text[after]) >= 0x80) {
        const UChar32 next = codePointAt(text, after).first;
        if (next < 0 || !n->isInert(next)) return false;
    }
    return true;
}

// Whether a text holds an ASCII word (in its form), told from the text as it
// stands: a run of its own ASCII letters (in either case without case) that
// no following mark composes with. That is the whole answer when no other
// character's form holds a byte of the word, and every line-end break lies
// among ASCII characters (as in most text, accented or Chinese included);
// nullopt when the normalizer must read the text.
std::optional<bool> holdsAsciiWord(std::string_view text, std::string_view word,
                                   LetterCase letterCase, const icu::Normalizer2* n) {
    if (!n) return std::nullopt;
    AsciiSet wordBytes;
    for (unsigned char b : word) wordBytes.add(b);
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    bool lineEnds = false;
    for (int32_t i = 0; i < length;) {
        // Eight bytes at a time past ASCII that holds no line end.
        constexpr std::uint64_t kHigh = 0x8080808080808080ull, kOnes = 0x0101010101010101ull;
        std::uint64_t eight;
        if (i + 8 <= length) {
            std::memcpy(&eight, bytes + i, 8);
            const std::uint64_t lineEnd = eight ^ (kOnes * '\n');
            if (((eight | ((lineEnd - kOnes) & ~lineEnd)) & kHigh) == 0) {
                i += 8;
                continue;
            }
        }
        if (bytes[i] < 0x80) {
            if (bytes[i] == '\n') {
                lineEnds = true;
                if (!breakToldAsItStands(text, static_cast<size_t>(i), letterCase, n))
                    return std::nullopt;
            }
            ++i;
            continue;
        }
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0 || asciiOfForm(c, letterCase, n).meets(wordBytes)) return std::nullopt;
    }
    // A place followed by a mark that may compose with its last letter is
    // left to the normalizer.
    bool unsure = false;
    auto holds = [&](std::string_view in) {
        return findAscii(in, word, letterCase == LetterCase::Folded, [&](size_t at) {
            const size_t end = at + word.size();
            if (end == in.size() || static_cast<unsigned char>(in[end]) < 0x80 ||
                n->hasBoundaryBefore(codePointAt(in, end).first))
                return true;
            unsure = true;
            return false;
        });
    };
    if (holds(text)) return true;
    auto joined = lineEnds ? join(text) : std::nullopt;
    if (joined && holds(joined->text)) return true;
    if (unsure) return std::nullopt;
    return false;
}

}  // namespace

std::string searchForm(std::string_view utf8, LetterCase letterCase) {
    std::string form;
    if (formByCharacters(utf8, letterCase, normalizer(letterCase), form)) return form;
    return MappedForm(utf8, letterCase, false).form();
}

std::optional<std::string> joinedForm(std::string_view text, LetterCase letterCase) {
    auto joined = joinText(text, letterCase);
    if (!joined) return std::nullopt;
    return joined->form();
}

bool holdsWord(std::string_view text, std::string_view formWord, LetterCase letterCase) {
    const icu::Normalizer2* n = normalizer(letterCase);
    const bool asciiWord = !formWord.empty() && std::all_of(formWord.begin(), formWord.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80;
    });
    if (asciiWord)
        if (auto told = holdsAsciiWord(text, formWord, letterCase, n)) return *told;
    if (onlyInertBeyondAscii(text, n)) {
        // The text is its own form but for the case of its ASCII letters.
        auto holds = [&](std::string_view form) {
            return letterCase == LetterCase::Kept ? form.find(formWord) != std::string_view::npos
                                                  : holdsAsciiFolded(form, formWord);
        };
        if (holds(text)) return true;
        auto joined = join(text);
        return joined && holds(joined->text);
    }
    thread_local std::string form;
    if (formByCharacters(text, letterCase, n, form)) {
        if (form.find(formWord) != std::string::npos) return true;
        // Breaks are told by the letters' own case: those of the text without case.
        if (lineEndBreaks(text).empty()) return false;
    } else if (searchForm(text, letterCase).find(formWord) != std::string::npos) {
        return true;
    }
    auto joined = joinText(text, letterCase);
    return joined && joined->form().find(formWord) != std::string::npos;
}

std::optional<TextSpan> findWord(std::string_view text, std::string_view utf8Word,
                                 LetterCase letterCase) {
    const std::string word = searchForm(utf8Word, letterCase);
    if (word.empty()) return std::nullopt;
    MappedForm mapped(text, letterCase);
    TextSpan span;
    if (size_t at = mapped.form().find(word); at != std::string::npos) {
        span = {mapped.textIndex(at), mapped.textIndex(at + word.size())};
    } else {
        auto joined = joinText(text, letterCase);
        size_t found = joined ? joined->form().find(word) : std::string::npos;
        if (found == std::string::npos) return std::nullopt;
        span = {joined->textIndex(found, false), joined->textIndex(found + word.size(), true)};
    }
    // A word that ends inside what one character became (the "f" of a
    // ligature) is shown as that whole character.
    if (span.end <= span.begin) span.end = span.begin + codePointAt(text, span.begin).second;
    return span;
}

}  // namespace zeph::content
