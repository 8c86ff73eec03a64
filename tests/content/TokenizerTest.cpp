// The content index's keys: a text's query keys are keys of every text that
// holds it (else the index would lose answers), and Chinese words of one and
// two characters have keys of their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "content/ContentTokenizer.h"
#include "tests/support/TempFolder.h"

namespace zeph::test {
namespace {

using content::documentKeys;
using content::queryKeys;
using Keys = std::vector<std::string>;

TEST(ContentKeys, ChineseWordsOfOneAndTwoCharactersAndLongerTextHaveKeys) {
    EXPECT_EQ(queryKeys(utf8(u8"甲")), Keys{utf8(u8"甲")});
    EXPECT_EQ(queryKeys(utf8(u8"甲方")), Keys{utf8(u8"甲方")});
    EXPECT_EQ(queryKeys(utf8(u8"蓝鲸数据")),
              (Keys{utf8(u8"数据"), utf8(u8"蓝鲸"), utf8(u8"鲸数")}));
    EXPECT_EQ(queryKeys("Force"), (Keys{"for", "orc", "rce"}));  // ASCII case folded
    EXPECT_EQ(queryKeys("ab"), std::nullopt);  // too short: every document is a candidate
    EXPECT_EQ(queryKeys(utf8(u8"x甲")), Keys{utf8(u8"甲")});
}

TEST(ContentKeys, EveryKeyOfATextIsAKeyOfAnyTextHoldingIt) {
    const std::vector<std::string> pieces = {
        utf8(u8"甲"), utf8(u8"方"), utf8(u8"合同"), "a",          "B",    "c",
        " ",          "-",          utf8(u8"é"),    utf8(u8"𠀀"), "\xFF", "7"};
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::string> parts;
        int length = 1 + static_cast<int>(random() % 14);
        for (int i = 0; i < length; ++i) parts.push_back(pieces[random() % pieces.size()]);
        std::string text;
        for (const std::string& part : parts) text += part;
        Keys held = documentKeys(text);
        std::set<std::string> lowered(held.begin(), held.end());
        size_t from = random() % parts.size(), to = from + 1 + random() % (parts.size() - from);
        std::string query;
        for (size_t i = from; i < to; ++i) query += parts[i];
        if (query.find('\xFF') != std::string::npos) continue;  // queries are valid UTF-8
        auto keys = queryKeys(query);
        if (!keys) continue;
        for (const std::string& key : *keys)
            ASSERT_TRUE(lowered.contains(key))
                << "text [" << text << "] query [" << query << "] key [" << key << "]";
    }
}

TEST(ContentKeys, AQueryOfKeysQuotesWhatFtsWouldReadAsSyntax) {
    EXPECT_EQ(content::matchExpression({"a\"b", "c d"}), "\"a\"\"b\" AND \"c d\"");
}

}  // namespace
}  // namespace zeph::test
