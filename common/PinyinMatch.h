// Names matched the way Chinese users type: a word of Latin letters spells a
// run of Chinese characters by their pinyin - each character by its whole
// syllable or by its initial (z, c, s or zh, ch, sh), the last one possibly
// cut short (baogao, bg, bgao, baoga all spell 报告); any reading of a
// character counts (长 chang or zhang); ü may be typed v or u. And a Chinese
// word matches in either script: names and words are compared with every
// character in its simplified form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/PinyinTable.h"

namespace zeph {

// Whether the word (lower-case letters) spells characters of the name (GBK,
// as on disk) starting at a character.
bool spellsIn(const PinyinTable& table, std::string_view name, std::string_view word);
// The ends of the runs starting at `at` that the word spells.
void spellEnds(const PinyinTable& table, std::string_view name, size_t at, std::string_view word,
               std::vector<size_t>& ends);
// The text with every double-byte character in its simplified form.
std::string simplifiedText(const PinyinTable& table, std::string_view gbk);
// Whether a word may be spelled: letters only.
bool isSpelling(std::string_view word);
// Whether some run of characters could spell the word at all (xylophone
// could not: no reading starts with u); a word that could not spends no
// time on pinyin.
bool couldBeSpelled(const PinyinTable& table, std::string_view word);
// The places in the word where every spelling of it starts a character, in
// order (none when it cannot be spelled): the name must hold a character
// whose reading starts with the letter at each.
std::vector<size_t> forcedStarts(const PinyinTable& table, std::string_view word);

}  // namespace zeph
