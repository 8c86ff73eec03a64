// The form in which a document's text and the words looked for are compared:
// NFKC, so a ligature, a full-width letter or another compatibility character
// reads as the characters it stands for, and for a search without case,
// Unicode case folding too. A word broken by a hyphen at a line's end
// ("pack-" / "ages") is found whole as well as printed. The stored text keeps
// its own form; the index's keys, the words and the confirmation use this one,
// and a snippet shows the text as it stands.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zeph::content {

enum class LetterCase { Kept, Folded };

// The form of UTF-8 text.
std::string searchForm(std::string_view utf8, LetterCase letterCase);

// The text's form with every hyphen that breaks a word at a line's end taken
// out, with the line break; nullopt when the text holds none.
std::optional<std::string> joinedForm(std::string_view utf8, LetterCase letterCase);

// Whether the text (UTF-8, as stored) holds the word, given in its form.
bool holdsWord(std::string_view text, std::string_view formWord, LetterCase letterCase);

// Where the text (as it stands) holds the word (given as typed) first: the
// bytes [begin, end) of the text. nullopt when it does not hold it.
struct TextSpan {
    size_t begin = 0, end = 0;
};
std::optional<TextSpan> findWord(std::string_view text, std::string_view utf8Word,
                                 LetterCase letterCase);

}  // namespace zeph::content
