// The form texts are compared in: whatever shortcut a text takes (ASCII and
// characters normalization leaves alone, characters normalized one at a time,
// or the whole text through the normalizer), the answer is that of the whole
// text normalized by ICU, with line-end breaks joined.
#include <gtest/gtest.h>
#include <unicode/normalizer2.h>
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

// "-\n" between an ASCII letter and a small one taken out.
std::string joined(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool brk = text.compare(i, 2, "-\n") == 0 && i > 0 && std::isalpha(static_cast<unsigned char>(text[i - 1])) &&
                         i + 2 < text.size() && std::islower(static_cast<unsigned char>(text[i + 2]));
        if (brk) {
            ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

TEST(SearchForm, EveryShortcutAnswersAsTheWholeTextNormalized) {
    const std::vector<std::string> pieces = {
        "a",  "B",  "c",          "D",      "e",  " ",           "-\n",       "\n",
        utf8(u8"é"), utf8(u8"É"), utf8(u8"ﬁ"), utf8(u8"\u00A0"), utf8(u8"\u0301"), utf8(u8"ｃ"),
        utf8(u8"甲"), utf8(u8"ß"), utf8(u8"…"), utf8(u8"Σ")};
    std::mt19937 random(3);
    for (int round = 0; round < 4000; ++round) {
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
            const bool expected = icuForm(text, letterCase).find(form) != std::string::npos ||
                                  icuForm(joined(icuForm(text, LetterCase::Kept)), letterCase).find(form) !=
                                      std::string::npos;
            ASSERT_EQ(content::holdsWord(text, content::searchForm(word, letterCase), letterCase), expected)
                << "text [" << text << "] word [" << word << "] folded " << (letterCase == LetterCase::Folded);
        }
    }
}

}  // namespace
}  // namespace zeph::test
