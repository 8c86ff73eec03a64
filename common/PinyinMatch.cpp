#include "PinyinMatch.h"

#include <algorithm>

#include "common/GbkChars.h"

namespace zeph {

namespace {

char lowerLetter(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// How many letters of the word, from wpos, the reading takes whole (0: not whole).
size_t wholeSyllable(std::string_view reading, std::string_view word, size_t wpos) {
    if (word.size() - wpos < reading.size()) return 0;
    for (size_t i = 0; i < reading.size(); ++i) {
        char typed = lowerLetter(word[wpos + i]);
        if (typed != reading[i] && !(reading[i] == 'v' && typed == 'u')) return 0;
    }
    return reading.size();
}

// Whether the rest of the word is the start of the reading.
bool cutShort(std::string_view reading, std::string_view word, size_t wpos) {
    size_t left = word.size() - wpos;
    if (left == 0 || left >= reading.size()) return false;
    for (size_t i = 0; i < left; ++i) {
        char typed = lowerLetter(word[wpos + i]);
        if (typed != reading[i] && !(reading[i] == 'v' && typed == 'u')) return false;
    }
    return true;
}

// The ways one character of this reading takes the word on from wpos: to
// next(w) after its whole syllable or its initial (z, c, s or zh, ch, sh), or
// last() when the rest of the word is its syllable cut short.
template <class Next, class Last>
void stepsOf(std::string_view reading, std::string_view word, size_t wpos, Next&& next, Last&& last) {
    if (size_t whole = wholeSyllable(reading, word, wpos)) next(wpos + whole);
    if (cutShort(reading, word, wpos)) last();
    if (lowerLetter(word[wpos]) != reading[0]) return;
    next(wpos + 1);
    if (reading.size() > 2 && reading[1] == 'h' &&
        (reading[0] == 'z' || reading[0] == 'c' || reading[0] == 's') && wpos + 1 < word.size() &&
        lowerLetter(word[wpos + 1]) == 'h')
        next(wpos + 2);
}

// Spells the word through the name from one state (a place in each) on; a
// state is looked at once, as it leads to the same ends however it is reached
// (without that, a run like "aaaa" over 啊啊啊啊 takes every split of the word).
class Speller {
public:
    Speller(const PinyinTable& table, std::string_view name, std::string_view word,
            std::vector<size_t>& ends)
        : m_table(table), m_name(name), m_word(word), m_ends(ends),
          m_seen((name.size() + 1) * (word.size() + 1), false) {}

    void from(size_t pos, size_t wpos) {
        if (wpos == m_word.size()) {
            found(pos);
            return;
        }
        std::vector<bool>::reference seen = m_seen[pos * (m_word.size() + 1) + wpos];
        if (seen) return;
        seen = true;
        std::uint16_t code = PinyinTable::codeAt(m_name, pos);
        if (!code) return;
        std::string_view readings = m_table.readings(code);
        for (size_t at = 0; at < readings.size();) {
            size_t comma = readings.find(',', at);
            std::string_view reading = readings.substr(
                at, comma == std::string_view::npos ? std::string_view::npos : comma - at);
            byReading(reading, pos, wpos);
            if (comma == std::string_view::npos) break;
            at = comma + 1;
        }
    }

private:
    void byReading(std::string_view reading, size_t pos, size_t wpos) {
        stepsOf(reading, m_word, wpos, [&](size_t next) { from(pos + 2, next); },
                [&] { found(pos + 2); });
    }
    void found(size_t end) {
        if (std::find(m_ends.begin(), m_ends.end(), end) == m_ends.end()) m_ends.push_back(end);
    }

    const PinyinTable& m_table;
    std::string_view m_name, m_word;
    std::vector<size_t>& m_ends;
    std::vector<bool> m_seen;
};

}  // namespace

bool isSpelling(std::string_view word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
}

bool couldBeSpelled(const PinyinTable& table, std::string_view word) {
    if (!isSpelling(word)) return false;
    // reached[i]: the first i letters are spelled by whole characters.
    std::vector<bool> reached(word.size() + 1, false);
    reached[0] = true;
    bool cutShortAtEnd = false;
    for (size_t wpos = 0; wpos < word.size() && !cutShortAtEnd; ++wpos) {
        if (!reached[wpos]) continue;
        for (std::string_view reading : table.syllables())
            stepsOf(reading, word, wpos, [&](size_t next) { reached[next] = true; },
                    [&] { cutShortAtEnd = true; });
    }
    return cutShortAtEnd || reached[word.size()];
}

std::vector<size_t> forcedStarts(const PinyinTable& table, std::string_view word) {
    if (!isSpelling(word)) return {};
    const size_t n = word.size();
    // Every step a character can take from a place the word's start reaches.
    std::vector<std::vector<size_t>> steps(n);
    std::vector<bool> reached(n + 1, false);
    reached[0] = true;
    for (size_t at = 0; at < n; ++at) {
        if (!reached[at]) continue;
        auto step = [&](size_t to) {
            steps[at].push_back(to);
            reached[to] = true;
        };
        for (std::string_view reading : table.syllables())
            stepsOf(reading, word, at, step, [&] { step(n); });
    }
    // finishes[i]: from i the word can be spelled to its end.
    std::vector<bool> finishes(n + 1, false);
    finishes[n] = true;
    for (size_t at = n; at-- > 0;)
        for (size_t to : steps[at]) finishes[at] = finishes[at] || finishes[to];
    if (!finishes[0]) return {};
    // A place inside a step some spelling takes is not forced.
    std::vector<int> inside(n + 1, 0);
    for (size_t at = 0; at < n; ++at) {
        if (!reached[at] || !finishes[at]) continue;
        for (size_t to : steps[at])
            if (finishes[to] && to > at + 1) {
                ++inside[at + 1];
                --inside[to];
            }
    }
    std::vector<size_t> forced;
    int depth = 0;
    for (size_t at = 0; at < n; ++at) {
        depth += inside[at];
        if (depth == 0 && reached[at] && finishes[at]) forced.push_back(at);
    }
    return forced;
}

void spellEnds(const PinyinTable& table, std::string_view name, size_t at, std::string_view word,
               std::vector<size_t>& ends) {
    if (!word.empty()) Speller(table, name, word, ends).from(at, 0);
}

bool spellsIn(const PinyinTable& table, std::string_view name, std::string_view word) {
    if (word.empty()) return false;
    // One speller for every start: a state that led nowhere from one start
    // leads nowhere from another.
    std::vector<size_t> ends;
    Speller speller(table, name, word, ends);
    for (size_t at = 0; at < name.size() && ends.empty(); at += characterLength(name, at))
        if (PinyinTable::codeAt(name, at)) speller.from(at, 0);
    return !ends.empty();
}

std::string simplifiedText(const PinyinTable& table, std::string_view gbk) {
    std::string out(gbk);
    for (size_t at = 0; at < out.size(); at += characterLength(out, at)) {
        std::uint16_t code = PinyinTable::codeAt(out, at);
        if (!code) continue;
        std::uint16_t simple = table.simplified(code);
        out[at] = static_cast<char>(simple >> 8);
        out[at + 1] = static_cast<char>(simple & 0xFF);
    }
    return out;
}

}  // namespace zeph
