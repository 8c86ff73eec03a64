// The content index's keys: a text's query keys are keys of every text that
// holds it (else the index would lose answers), through the store's
// full-text index too, for words of every kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "content/ContentStore.h"
#include "content/ContentTokenizer.h"
#include "tests/support/TempFolder.h"

namespace zeph::test {
namespace {

using content::documentKeys;
using content::queryKeys;
using Keys = std::vector<std::string>;

// Through the store's full-text index: the documents a word's keys bring,
// confirmed against their text, are exactly those whose text holds the word
// (found by plain search) - Chinese words of one, two and more characters,
// words too short for keys, words in any case of ASCII letters, and words
// holding what the full-text index would read as its own syntax.
TEST(ContentKeys, TheKeysOfAWordBringEveryDocumentHoldingIt) {
    TempFolder data;
    auto store = content::ContentStore::open(data.str(), true);
    ASSERT_TRUE(store);
    const std::vector<std::string> texts = {
        utf8(u8"甲方与乙方签订合同"), utf8(u8"甲"), utf8(u8"蓝鲸数据中心"), "Force majeure",
        "force MAJEURE clause", "ab cd", utf8(u8"say \"hello\" NEAR(x) OR y AND NOT z"),
        "a\"b c*d", utf8(u8"数据蓝鲸")};
    ASSERT_TRUE(store->begin());
    for (size_t i = 0; i < texts.size(); ++i) {
        content::Document document;
        document.folder = "/docs";
        document.name = std::to_string(i) + ".txt";
        ASSERT_TRUE(store->put(document, texts[i]));
    }
    ASSERT_TRUE(store->commit());
    auto lowerAscii = [](std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return text;
    };
    const std::vector<std::string> words = {
        utf8(u8"甲"), utf8(u8"甲方"), utf8(u8"蓝鲸数据"), utf8(u8"鲸数"), "force", "MAJEURE",
        "ab", "\"hello\"", "NEAR(x)", "OR y", "a\"b", "c*d", utf8(u8"乙方签")};
    for (const std::string& word : words) {
        std::set<std::string> holding, found;
        for (size_t i = 0; i < texts.size(); ++i)
            if (lowerAscii(texts[i]).find(lowerAscii(word)) != std::string::npos)
                holding.insert(std::to_string(i) + ".txt");
        auto keys = queryKeys(word);
        const std::string form = content::searchForm(word, content::LetterCase::Folded);
        for (const content::Document& document :
             keys ? store->candidateDocuments(*keys) : store->allDocumentPaths())
            if (store->holds(document.id, document.pieces, form, content::LetterCase::Folded)
                    .value_or(false))
                found.insert(document.name);
        EXPECT_FALSE(store->failed()) << word;
        EXPECT_EQ(found, holding) << word;
        EXPECT_FALSE(holding.empty()) << word;
    }
}

// A text is kept in pieces: it reads back whole, characters unbroken; a word
// straddling two pieces is found; a word whose keys lie in different pieces,
// but which stands in none, brings no candidate.
TEST(ContentKeys, TextsKeptInPiecesReadBackWholeAndAreSearchedPieceByPiece) {
    TempFolder data;
    auto store = content::ContentStore::open(data.str(), true);
    ASSERT_TRUE(store);
    std::string text;
    while (text.size() < content::kPieceBytes - 5) text += utf8(u8"é甲 ");
    text += "quokkafish ";  // across the first piece's end
    while (text.size() < 2 * content::kPieceBytes) text += "filler ";
    text += "zorbin ";  // the keys of "zorbinka": "zor" "orb" here ...
    while (text.size() < 3 * content::kPieceBytes + 2 * content::kPieceOverlap) text += "x ";
    text += "rbinka end";  // ... "ink" "nka" in another piece
    content::Document document;
    document.folder = "/docs";
    document.name = "long.txt";
    ASSERT_TRUE(store->begin() && store->put(document, text) && store->commit());
    const std::int64_t id = store->find("/docs", "long.txt")->id;
    EXPECT_EQ(store->text(id), text);
    auto found = [&](const std::string& word) {
        auto documents = store->candidateDocuments(*queryKeys(word));
        return !documents.empty() &&
               store->holds(documents[0].id, documents[0].pieces, word, content::LetterCase::Folded)
                   .value_or(false);
    };
    EXPECT_TRUE(found("quokkafish"));
    EXPECT_TRUE(found("kkafi"));
    EXPECT_TRUE(found("zorbin") && found("rbinka"));
    EXPECT_TRUE(store->candidateDocuments(*queryKeys("zorbinka")).empty());
    // Stored again, shorter: no piece of the longer text is left behind.
    ASSERT_TRUE(store->begin() && store->put(document, "short") && store->commit());
    EXPECT_EQ(store->text(id), "short");
    EXPECT_TRUE(store->candidateDocuments(*queryKeys("quokkafish")).empty());
}

// A store of an earlier format is read by no one and made anew by a writer.
TEST(ContentKeys, AStoreOfAnotherFormatIsMadeAnewNotMisread) {
    TempFolder data;
    {
        auto store = content::ContentStore::open(data.str(), true);
        content::Document document;
        document.folder = "/docs";
        document.name = "a.txt";
        ASSERT_TRUE(store->put(document, "old words"));
        ASSERT_TRUE(store->setMeta("Format", "1"));
    }
    EXPECT_FALSE(content::ContentStore::open(data.str(), false));
    auto store = content::ContentStore::open(data.str(), true);
    ASSERT_TRUE(store);
    EXPECT_EQ(store->documentCount(), 0);
    EXPECT_TRUE(content::ContentStore::open(data.str(), false));
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

}  // namespace
}  // namespace zeph::test
