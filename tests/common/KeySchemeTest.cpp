#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "common/KeyScheme.h"

namespace zeph {

void PrintTo(const IndexKey& key, std::ostream* os) {
    *os << (key.table == KeyTable::Character ? "char " : "pair ") << key.key;
}

namespace {

IndexKey chr(std::uint32_t key) {
    return {KeyTable::Character, key};
}
IndexKey pair(std::uint32_t key) {
    return {KeyTable::Pair, key};
}

struct QueryCase {
    std::string token;
    std::vector<IndexKey> keys;
};

TEST(QueryKeys, FormTheFewestKeysOfAToken) {
    const std::vector<QueryCase> cases = {
        {"a", {chr('a')}},
        {"ab", {pair(2)}},
        {"AB", {pair(2)}},  // keys come from the lower-cased token
        {"abc", {pair(2), pair(43)}},
        {"abcd", {pair(2), pair(84)}},
        {"x.y", {pair(957), pair(1465)}},
        {"-ab", {chr('-'), pair(2)}},
        {"a-b", {chr('a'), chr('-'), chr('b')}},
        {"报告", {chr(0xB1A8), chr(0xB8E6)}},
        // After a double-byte character whose second byte is a letter, the next
        // letter must not pair with that second byte.
        {"乤x", {chr(0x8161), chr('x')}},
        {"x乤", {chr('x'), chr(0x8161)}},
        // A four-byte character: its second and fourth bytes are digits.
        {"😀x", {chr(0x9439), chr(0xFC36), chr('x')}},
        // A lead byte ending the token may begin any character: no key.
        {"\x81", {}},
        {"a\x81", {chr('a')}},
    };
    for (const auto& c : cases) EXPECT_EQ(queryKeys(c.token), c.keys) << c.token;
}

std::set<std::pair<int, std::uint32_t>> nameKeys(const std::string& name) {
    std::set<std::pair<int, std::uint32_t>> keys;
    forEachNameKey(lowerBytes(name), [&](KeyTable t, std::uint32_t k) {
        keys.insert({int(t), k});
    });
    return keys;
}

TEST(NameKeys, EveryByteCharacterAndClassedPair) {
    auto keys = nameKeys("ab1.TXT");
    std::set<std::pair<int, std::uint32_t>> expected;
    for (char c : std::string("ab1.tx")) expected.insert({0, static_cast<unsigned char>(c)});
    auto p = [](char a, char b) {
        return std::pair<int, std::uint32_t>{1, pairKey(byteClass(a), byteClass(b))};
    };
    for (auto pr : {p('a', 'b'), p('b', '1'), p('1', '.'), p('.', 't'), p('t', 'x'), p('x', 't')})
        expected.insert(pr);
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(nameKeys("aaa"), (std::set<std::pair<int, std::uint32_t>>{{0, 'a'}, {1, 1}}));
    EXPECT_EQ(nameKeys("ABC"), nameKeys("abc"));
    EXPECT_EQ(nameKeys("\x81"), (std::set<std::pair<int, std::uint32_t>>{{0, 0x8100}}));
    // A second byte in 'A'-'Z' is keyed lowered: 0x81 0x41 becomes 0x81 0x61.
    EXPECT_TRUE(nameKeys("\x81\x41").count({0, 0x8161}));
}

// The property everything rests on: every key of any token is stored for
// every name that contains the token (case folded).
TEST(NameKeys, EveryQueryKeyOfAContainedTokenIsStored) {
    const std::vector<std::string> pieces = {"a", "B",  "z",  "0",  "9", ".", "_",    "-", " ",
                                             "(", "报", "告", "乤", "😀", "ñ", "\x1E", "Q", "x"};
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::string> chars;
        int length = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i) chars.push_back(pieces[random() % pieces.size()]);
        std::string name;
        for (const auto& c : chars) name += c;
        size_t from = random() % chars.size();
        size_t to = from + 1 + random() % (chars.size() - from);
        std::string token;
        for (size_t i = from; i < to; ++i) token += chars[i];

        auto stored = nameKeys(name);
        for (const IndexKey& key : queryKeys(token))
            ASSERT_TRUE(stored.count({int(key.table), key.key}))
                << "token '" << token << "' of name '" << name << "' misses key " << key.key;
    }
}

TEST(NameSuffix, FollowsTheLastDotButNotALeadingOne) {
    struct Case {
        const char* name;
        bool has;
        const char* suffix;
    };
    for (auto c :
         {Case{"a.txt", true, "txt"}, Case{"a.tar.gz", true, "gz"}, Case{".bashrc", false, ""},
          Case{"noext", false, ""}, Case{"dot.", true, ""}, Case{"..x", true, "x"}}) {
        Suffix s = nameSuffix(c.name);
        EXPECT_EQ(s.hasSuffix, c.has) << c.name;
        EXPECT_EQ(s.text, c.suffix) << c.name;
    }
}

TEST(Tokenize, SeparatorsMakeNoEmptyTokens) {
    EXPECT_EQ(tokenize("read me"), (std::vector<std::string>{"read", "me"}));
    EXPECT_EQ(tokenize(" ,a,,b\t\r\nc "), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(tokenize(" ,\t").empty());
}

}  // namespace
}  // namespace zeph
