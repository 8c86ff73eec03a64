// Names matched by pinyin and in either script: the shipped table against
// the characters users type, the speller against an independent reading
// (every spelling of every run, listed), and the name test with marks.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>

#include "common/NameMatcher.h"
#include "common/PinyinMatch.h"
#include "common/PinyinTable.h"

namespace zeph {
namespace {

const PinyinTable& table() {
    static const std::shared_ptr<const PinyinTable> shipped = PinyinTable::load(ZEPH_TEST_PROGRAM_DIR);
    return *shipped;
}

std::uint16_t code(const std::string& gbk) {
    return PinyinTable::codeAt(gbk, 0);
}

TEST(PinyinTable, GivesEveryCommonCharacterItsReadingsAndForms) {
    ASSERT_NE(PinyinTable::load(ZEPH_TEST_PROGRAM_DIR), nullptr);
    // Every character of the two levels of the national standard set.
    for (unsigned row = 0xB0; row <= 0xF7; ++row)
        for (unsigned cell = 0xA1; cell <= 0xFE; ++cell) {
            if (row == 0xD7 && cell >= 0xFA) continue;  // the five unassigned cells
            auto c = static_cast<std::uint16_t>(row << 8 | cell);
            EXPECT_FALSE(table().readings(c).empty()) << std::hex << c;
        }
    EXPECT_EQ(table().readings(code("报")), "bao");
    for (const char* reading : {"chang", "zhang"})
        EXPECT_NE(table().readings(code("长")).find(reading), std::string_view::npos);
    EXPECT_EQ(table().readings(code("绿")).substr(0, 2), "lv");
    // Readings out of use are left out (客 was once also qia) ...
    EXPECT_EQ(table().readings(code("客")), "ke");
    // ... and a traditional character reads as its simplified form.
    EXPECT_NE(table().readings(code("長")).find("chang"), std::string_view::npos);
    EXPECT_EQ(table().simplified(code("長")), code("长"));
    EXPECT_EQ(table().simplified(code("长")), code("长"));
    const auto& forms = table().variants(code("报"));
    EXPECT_NE(std::find(forms.begin(), forms.end(), code("報")), forms.end());
}

// The lists the build derives (codes by first letter, distinct readings)
// against a reading of every code's readings.
TEST(PinyinTable, DerivedListsAgreeWithTheReadings) {
    std::set<std::string_view> distinct;
    std::vector<std::uint16_t> byLetter[26];
    for (unsigned code = 0x8100; code < 65536; ++code) {
        auto c = static_cast<std::uint16_t>(code);
        std::string_view readings = table().readings(c);
        std::set<int> letters;
        for (size_t at = 0; at < readings.size();) {
            size_t comma = std::min(readings.find(',', at), readings.size());
            distinct.insert(readings.substr(at, comma - at));
            letters.insert(readings[at] - 'a');
            at = comma + 1;
        }
        for (int letter : letters) byLetter[letter].push_back(c);
    }
    EXPECT_EQ(table().syllables(), std::vector<std::string_view>(distinct.begin(), distinct.end()));
    for (char letter = 'a'; letter <= 'z'; ++letter)
        EXPECT_EQ(table().startingWith(letter), byLetter[letter - 'a']) << letter;
}

TEST(PinyinTable, RefusesDamagedFiles) {
    // The smallest table: no readings, no letter lists, one distinct reading "".
    std::string bytes(4 + 65536 * 6 + 26 * 4, '\0');
    bytes.replace(0, 4, kPinyinMagic);
    bytes += std::string("\1\0\0\0" "\0\0\0\0", 8) + '\0';
    EXPECT_NE(PinyinTable::fromBytes(bytes), nullptr);
    EXPECT_EQ(PinyinTable::fromBytes(bytes.substr(0, 1000)), nullptr);
    std::string outside = bytes;
    outside[4 + 0xB1A8 * 4 + 2] = 1;  // an offset far past the pool
    EXPECT_EQ(PinyinTable::fromBytes(outside), nullptr);
    std::string readingOutside = bytes;
    readingOutside[readingOutside.size() - 3] = 1;  // a distinct reading past the pool
    EXPECT_EQ(PinyinTable::fromBytes(readingOutside), nullptr);
    std::string tooManyCodes = bytes;
    tooManyCodes[4 + 65536 * 6 + 3] = 1;  // a's codes would run past the file
    EXPECT_EQ(PinyinTable::fromBytes(tooManyCodes), nullptr);
    std::string unended = bytes + "bao";
    EXPECT_EQ(PinyinTable::fromBytes(unended), nullptr);
}

// The ways a character may be typed: in the middle of a word by a reading,
// its first letter or a two-letter initial; last, by any start of a reading.
std::set<std::string> waysOf(std::uint16_t c, bool last) {
    std::set<std::string> ways;
    std::string_view readings = table().readings(c);
    for (size_t at = 0; at < readings.size();) {
        size_t comma = std::min(readings.find(',', at), readings.size());
        std::string reading(readings.substr(at, comma - at));
        if (last) {
            for (size_t n = 1; n <= reading.size(); ++n) ways.insert(reading.substr(0, n));
        } else {
            ways.insert({reading, reading.substr(0, 1)});
            if (reading.size() > 2 && reading[1] == 'h' && std::string("zcs").find(reading[0]) != std::string::npos)
                ways.insert(reading.substr(0, 2));
        }
        at = comma + 1;
    }
    return ways;
}

std::set<std::string> spellingsOfRun(const std::vector<std::uint16_t>& run) {
    std::set<std::string> out{""};
    for (size_t i = 0; i < run.size(); ++i) {
        std::set<std::string> next;
        for (const std::string& before : out)
            for (const std::string& way : waysOf(run[i], i + 1 == run.size())) next.insert(before + way);
        out = std::move(next);
    }
    return out;
}

// Whether the typed word starts with the listed spelling: ü (v) may be typed u.
bool typedFrom(const std::string& word, const std::string& spelling) {
    if (word.size() < spelling.size()) return false;
    for (size_t i = 0; i < spelling.size(); ++i)
        if (word[i] != spelling[i] && !(spelling[i] == 'v' && word[i] == 'u')) return false;
    return true;
}

// Lists the spellings of the runs of the name's characters, each run from
// each start, dropping those the word cannot begin with.
bool spelledByListing(const std::string& name, const std::string& word) {
    std::vector<std::uint16_t> codes;  // 0 for anything else
    for (size_t at = 0; at < name.size();) {
        std::uint16_t c = PinyinTable::codeAt(name, at);
        codes.push_back(c && !table().readings(c).empty() ? c : 0);
        at += c ? 2 : 1;
    }
    for (size_t from = 0; from < codes.size(); ++from) {
        std::set<std::string> sofar{""};
        for (size_t to = from; to < codes.size() && codes[to] && !sofar.empty(); ++to) {
            for (const std::string& spelling : waysOf(codes[to], true))
                for (const std::string& before : sofar)
                    if (typedFrom(word, before + spelling) && before.size() + spelling.size() == word.size())
                        return true;  // the last character may be cut short
            std::set<std::string> next;
            for (const std::string& before : sofar)
                for (const std::string& whole : waysOf(codes[to], false))
                    if (typedFrom(word, before + whole)) next.insert(before + whole);
            sofar = std::move(next);
        }
    }
    return false;
}

TEST(PinyinSpelling, AgreesWithEverySpellingListed) {
    const std::vector<std::string> pool = {"长", "重", "行", "乐", "报", "告", "啊", "中",
                                           "张", "绿", "女", "安", "-", "x"};
    std::mt19937 random(7);
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    size_t spelled = 0;
    for (int round = 0; round < 400; ++round) {
        std::vector<std::string> chosen;
        for (size_t n = 1 + pick(5); n > 0; --n) chosen.push_back(pool[pick(pool.size())]);
        std::string name;
        for (const std::string& piece : chosen) name += piece;
        // Half the words spell a run of the name, half are letters at random.
        std::string word;
        if (round % 2 == 0) {
            std::vector<std::uint16_t> run;
            for (size_t at = pick(chosen.size()); at < chosen.size() && run.size() < 3; ++at) {
                std::uint16_t c = code(chosen[at]);
                if (!c) break;
                run.push_back(c);
            }
            if (run.empty()) continue;
            auto ways = spellingsOfRun(run);
            word = *std::next(ways.begin(), static_cast<long>(pick(ways.size())));
            if (pick(3) == 0)
                for (char& letter : word)
                    if (letter == 'v') letter = 'u';
        } else {
            for (size_t n = 1 + pick(6); n > 0; --n) word += "abceghilnouvyz"[pick(14)];
        }
        bool expected = spelledByListing(name, word);
        spelled += expected;
        EXPECT_EQ(spellsIn(table(), name, word), expected) << name << " / " << word;
        if (expected) {
            EXPECT_TRUE(couldBeSpelled(table(), word)) << word;
        }
    }
    EXPECT_GT(spelled, 150u);
}

TEST(PinyinSpelling, LooksAtEachPlaceOnceSoLongRunsAnswerAtOnce) {
    std::string name;
    for (int i = 0; i < 60; ++i) name += "啊";
    // Each "a" may be the syllable or the initial: without looking at each
    // place once the speller would try 2^60 splits.
    std::string endsOtherwise = name, misspelled(61, 'a');
    endsOtherwise += 'x';
    misspelled += 'b';
    EXPECT_FALSE(spellsIn(table(), endsOtherwise, misspelled));
    EXPECT_TRUE(spellsIn(table(), name, std::string(60, 'a')));
}

TEST(PinyinSpelling, AWordNoReadingsCouldSpellCostsNothing) {
    for (const char* word : {"baogao", "bg", "zhsh", "luse", "report", "BaoGa", "xylophonequartz"})
        EXPECT_TRUE(couldBeSpelled(table(), word)) << word;
    for (const char* word : {"iphone", "u", "iv", "docx1", "bgi", ""})
        EXPECT_FALSE(couldBeSpelled(table(), word)) << word;
    // Its only way to a match is by its letters.
    NameMatcher rare("iphone", false, false, &table());
    ASSERT_EQ(rare.candidateKeys().size(), 1u);
    EXPECT_EQ(rare.candidateKeys()[0].size(), 1u);
    NameMatcher spelled("bg", false, false, &table());
    EXPECT_EQ(spelled.candidateKeys()[0].size(), 2u);
}

bool matches(const std::string& text, const std::string& name, bool pinyin = true, bool caseSensitive = false) {
    NameMatcher matcher(text, caseSensitive, false, pinyin ? &table() : nullptr);
    std::string scratch;
    return matcher.matches(name, scratch);
}

TEST(PinyinNames, MatchByFullInitialsMixedAndCutShortSpellings) {
    for (const char* typed : {"baogao", "bg", "bgao", "baog", "baoga", "BaoGao", "b", "gao"})
        EXPECT_TRUE(matches(typed, "年度报告.docx")) << typed;
    for (const char* typed : {"bgg", "gb", "baogaox", "aog", "bd"})
        EXPECT_FALSE(matches(typed, "年度报告.docx")) << typed;
    // Any reading of a character of several.
    EXPECT_TRUE(matches("changcheng", "长城.jpg"));
    EXPECT_TRUE(matches("zhangc", "长城.jpg"));
    EXPECT_TRUE(matches("chongqing", "重庆.txt"));
    EXPECT_TRUE(matches("zhongyao", "重要.txt"));
    EXPECT_TRUE(matches("yinhang", "银行.pdf"));
    EXPECT_TRUE(matches("xingzou", "行走.pdf"));
    EXPECT_TRUE(matches("yinyue", "音乐"));
    EXPECT_TRUE(matches("kuaile", "快乐"));
    EXPECT_TRUE(matches("zhsh", "张帅"));  // two-letter initials
    EXPECT_FALSE(matches("zhsh", "张三"));
    EXPECT_TRUE(matches("lvse", "绿色.png"));
    EXPECT_TRUE(matches("luse", "绿色.png"));
    // A spelling never reaches over another character.
    EXPECT_FALSE(matches("bg", "报-告.docx"));
    EXPECT_FALSE(matches("bag", "报a告.docx"));
    // Letters in the name still match as letters.
    EXPECT_TRUE(matches("docx", "报告.docx"));
    EXPECT_FALSE(matches("bg", "报告.docx", false));
}

TEST(PinyinNames, MatchInEitherScript) {
    EXPECT_TRUE(matches("報告", "报告.docx"));
    EXPECT_TRUE(matches("报告", "年度報告.docx"));
    EXPECT_TRUE(matches("长城", "長城.jpg"));
    EXPECT_FALSE(matches("長城", "长江.jpg"));
    EXPECT_FALSE(matches("報告", "报告.docx", false));
}

TEST(PinyinNames, WorkInPatternsAlternativesAndExclusions) {
    EXPECT_TRUE(matches("bg*", "报告.docx"));
    EXPECT_FALSE(matches("bg*", "年度报告.docx"));
    EXPECT_TRUE(matches("*bg.docx", "年度报告.docx"));
    EXPECT_TRUE(matches("nd?g.docx", "年度报告.docx"));  // 报 is the one character
    EXPECT_TRUE(matches("報*", "报告.docx"));
    EXPECT_TRUE(matches("xyz|bg", "报告.docx"));
    EXPECT_FALSE(matches("docx !bg", "报告.docx"));
    EXPECT_TRUE(matches("docx !bg", "计划.docx"));
    EXPECT_FALSE(matches("docx !報告", "报告.docx"));
}

// Many spelled runs in one pattern still narrow by the first of them, and the
// keys they narrow by are held by the names the pattern matches.
TEST(PinyinNames, PatternsOfManySpelledRunsNarrowAndKeepTheirMatches) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"z*z*z*z*", "zhizhang_zz.txt"}, {"z*z*z*z*", "总账追踪.xlsx"},
        {"a*b*c*d*e*", "abcde.txt"}, {"b*g*n*d*x*", "报告年度小结.doc"}};
    for (const auto& [text, name] : cases) {
        NameMatcher matcher(text, false, false, &table());
        EXPECT_TRUE(matcher.narrows()) << text;
        std::string scratch;
        ASSERT_TRUE(matcher.matches(name, scratch)) << text << " " << name;
        std::set<IndexKey> stored;
        forEachNameKey(lowerBytes(name), [&](KeyTable t, std::uint32_t k) { stored.insert({t, k}); });
        for (const auto& ways : matcher.candidateKeys()) {
            bool met = false;
            for (const auto& way : ways) {
                bool all = true;
                for (const auto& group : way) {
                    bool any = false;
                    for (const auto& key : group) any = any || stored.count(key);
                    all = all && any;
                }
                met = met || all;
            }
            EXPECT_TRUE(met) << text << " " << name;
        }
    }
}

}  // namespace
}  // namespace zeph
