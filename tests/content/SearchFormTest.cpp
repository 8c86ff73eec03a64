// The form texts are compared in: whatever shortcut a text takes (ASCII and
// characters normalization leaves alone, characters normalized one at a time,
// or the whole text through the normalizer), the answer is that of the whole
// text normalized by ICU, with line-end breaks joined.
#include <gtest/gtest.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <random>

#include "content/SearchForm.h"
#include "tests/support/TempFolder.h"

namespace zeph::test {
namespace {

using content::LetterCase;

std::string icuForm(const std::string& text, LetterCase letterCase) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* n = letterCase == LetterCase::Folded
                                    ? icu::Normalizer2::getNFKCCasefoldInstance(status)
                                    : icu::Normalizer2::getNFKCInstance(status);
    std::string out;
    n->normalize(icu::UnicodeString::fromUTF8(text), status).toUTF8String(out);
    return out;
}

// Each hyphen ('-', U+2010 or a soft hyphen) that ends a line after a letter
// and before a small letter, spaces and tabs around the line end aside, taken
// out with the line end.
std::string joined(const std::string& text) {
    const icu::UnicodeString u = icu::UnicodeString::fromUTF8(text);
    auto blank = [&](int32_t at) { return at < u.length() && (u[at] == ' ' || u[at] == '\t'); };
    icu::UnicodeString out;
    for (int32_t i = 0; i < u.length();) {
        const UChar32 c = u.char32At(i);
        const int32_t next = i + U16_LENGTH(c);
        if ((c == '-' || c == 0x2010 || c == 0xAD) && i > 0 &&
            u_isalpha(u.char32At(u.moveIndex32(i, -1)))) {
            int32_t at = next;
            while (blank(at)) ++at;
            if (at < u.length() && u[at] == '\n') {
                ++at;
                while (blank(at)) ++at;
                if (at < u.length() && u_islower(u.char32At(at))) {
                    i = at;
                    continue;
                }
            }
        }
        out.append(c);
        i = next;
    }
    std::string utf8;
    return out.toUTF8String(utf8);
}

TEST(SearchForm, EveryShortcutAnswersAsTheWholeTextNormalized) {
    const std::vector<std::string> pieces = {
        "a",  "B",  "c",          "D",      "e",  " ",           "-\n",       "\n",
        utf8(u8"é"), utf8(u8"É"), utf8(u8"ﬁ"), utf8(u8"\u00A0"), utf8(u8"\u0301"), utf8(u8"ｃ"),
        utf8(u8"甲"), utf8(u8"ß"), utf8(u8"…"), utf8(u8"Σ"), utf8(u8"\u33C4"), utf8(u8"\u01C5"),
        utf8(u8"\u1D43"), "\t", "-", utf8(u8"\u2010")};
    // In a text whose own line ends show a break, the form's breaks are
    // joined too: those behind a no-break space around the line end, or a
    // full-width or non-breaking hyphen.
    for (const char8_t* second : {u8"x\u2011\nyz", u8"x-\u00A0\nyz", u8"x-\n\u00A0yz", u8"x\uFF0D\nyz"})
        for (LetterCase letterCase : {LetterCase::Kept, LetterCase::Folded}) {
            const std::string text = "pack-\nages " + utf8(second);
            EXPECT_TRUE(content::holdsWord(text, "xyz", letterCase)) << text;
        }
    std::mt19937 random(3);
    for (int round = 0; round < 8000; ++round) {
        std::vector<std::string> parts;
        const int length = 1 + static_cast<int>(random() % 24);
        for (int i = 0; i < length; ++i) parts.push_back(pieces[random() % pieces.size()]);
        std::string text, word;
        for (const std::string& part : parts) text += part;
        const int wordLength = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < wordLength; ++i) word += pieces[random() % 8];  // letters, spaces, breaks
        if (random() % 3 == 0) {  // a run of the text's own pieces
            size_t from = random() % parts.size(), to = std::min(parts.size(), from + 1 + random() % 4);
            word.clear();
            for (size_t i = from; i < to; ++i) word += parts[i];
        }
        for (LetterCase letterCase : {LetterCase::Kept, LetterCase::Folded}) {
            const std::string form = icuForm(word, letterCase);
            if (form.empty()) continue;
            // Breaks are joined in texts whose own line ends show one.
            const bool expected = icuForm(text, letterCase).find(form) != std::string::npos ||
                                  (joined(text) != text &&
                                   icuForm(joined(icuForm(text, LetterCase::Kept)), letterCase).find(form) !=
                                       std::string::npos);
            ASSERT_EQ(content::holdsWord(text, content::searchForm(word, letterCase), letterCase), expected)
                << "text [" << text << "] word [" << word << "] folded " << (letterCase == LetterCase::Folded);
        }
    }
}

}  // namespace
}  // namespace zeph::test
