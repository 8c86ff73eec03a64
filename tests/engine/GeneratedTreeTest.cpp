// Queries over an index of a generated tree, against a brute-force reading of
// the same file list.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>

#include "common/Codec.h"
#include "common/EntryNames.h"
#include "common/FileList.h"
#include "common/KeyScheme.h"
#include "common/NameMatcher.h"
#include "common/Paths.h"
#include "common/PinyinTable.h"
#include "tests/engine/EngineFixture.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

class GeneratedTree : public EngineFixture {
protected:
    static void SetUpTestSuite() {
        shared = new TempFolder;
        std::string command = "python3 " ZEPH_TEST_GEN_TREE " " +
                              (shared->path() / "tree").string() +
                              " --files 4000 --seed 11 >/dev/null 2>&1";
        generated = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite() { delete shared; }

    // Every file-list entry that a plain name query should return, found by
    // reading every line.
    // In file-list order, the order results come in with name text.
    std::vector<std::string> bruteForce(const std::string& text, const std::string& lookIn = "",
                                        bool hidden = false) {
        std::vector<std::string> out;
        auto tokens = tokenize(lowerBytes(text));
        std::string list = readFile(fs::canonical(program / "index") / "AllFiles.dat");
        size_t pos = 0;
        while (pos < list.size()) {
            size_t end = list.find('\n', pos);
            auto line = parseFileListLine(std::string_view(list).substr(pos, end - pos));
            pos = end + 1;
            std::string name = lowerBytes(line->name);
            bool all = std::all_of(tokens.begin(), tokens.end(), [&](const std::string& t) {
                return name.find(t) != std::string::npos;
            });
            if (all && (lookIn.empty() || folderContains(lookIn, line->folder)) &&
                (hidden || !isHiddenEntry(line->folder, line->name)))
                out.push_back(joinPath(line->folder, line->name));
        }
        return out;
    }

    // Every entry whose name the name test passes, reading every line: the
    // engine's keys must never leave out one of them.
    std::vector<std::string> bruteForceWith(const NameMatcher& matcher) {
        std::vector<std::string> out;
        std::string list = readFile(fs::canonical(program / "index") / "AllFiles.dat");
        std::string scratch;
        for (size_t pos = 0; pos < list.size();) {
            size_t end = list.find('\n', pos);
            auto line = parseFileListLine(std::string_view(list).substr(pos, end - pos));
            pos = end + 1;
            if (matcher.matches(line->name, scratch) && !isHiddenEntry(line->folder, line->name))
                out.push_back(joinPath(line->folder, line->name));
        }
        return out;
    }

    static inline TempFolder* shared = nullptr;
    static inline bool generated = false;
};

TEST_F(GeneratedTree, NameQueriesReturnExactlyTheMatchingEntries) {
    if (!generated) GTEST_SKIP() << "tree generator not available";
    std::string root = (shared->path() / "tree").string();
    indexAndLoad({root});
    for (const char* query : {"report", "报告", "xylophonequartz", "IMG_2023", "report 2023", "a",
                              "e.t", "项目计划", "Q", "_v", "'", "%", "new 新建"}) {
        SearchCriteria c = criteria();
        c.name = query;
        c.pinyin = false;
        EXPECT_EQ(search(c), bruteForce(query)) << query;
    }
    // With pinyin, letters also spell Chinese names and either script matches.
    auto table = PinyinTable::load(ZEPH_TEST_PROGRAM_DIR);
    ASSERT_NE(table, nullptr);
    for (const char* query : {"kh", "kehu", "xmjh", "baog", "報告", "項目", "*hu.png", "shipin|jl",
                              "kh !png", "q", "kh 2024", "?hu*", "\"kh\""}) {
        auto expected = bruteForceWith(NameMatcher(query, false, false, table.get()));
        EXPECT_EQ(searchName(query), expected) << query;
        if (std::string(query) != "q") {
            EXPECT_FALSE(expected.empty()) << query;
        }
    }
    SearchCriteria c = criteria();
    c.pinyin = false;
    c.name = "report";
    c.folder = root + "/home";
    EXPECT_EQ(search(c), bruteForce("report", root + "/home"));
    // Hidden entries are in the index and shown when asked for.
    c.folder.clear();
    c.showHidden = true;
    for (const char* query : {"report", "config", "git"}) {
        c.name = query;
        EXPECT_EQ(search(c), bruteForce(query, "", true)) << query;
        EXPECT_GT(bruteForce(query, "", true).size(), bruteForce(query).size()) << query;
    }
}

// A name as wide characters, its ASCII letters lower-cased as the engine does,
// so a regular expression's '.' is one whole character.
std::wstring wideLowered(std::string_view gbk) {
    std::string utf8 = toUtf8(gbk).value_or("");
    std::wstring out;
    for (size_t i = 0; i < utf8.size();) {
        auto c = static_cast<unsigned char>(utf8[i]);
        int length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        wchar_t point = length == 1 ? c : c & (0xFF >> (length + 1));
        for (int k = 1; k < length; ++k) point = point << 6 | (utf8[i + k] & 0x3F);
        out += (point >= L'A' && point <= L'Z') ? point + 32 : point;
        i += static_cast<size_t>(length);
    }
    return out;
}

TEST_F(GeneratedTree, PatternsAlternativesAndExclusionsMatchTheirRegularExpressions) {
    if (!generated) GTEST_SKIP() << "tree generator not available";
    indexAndLoad({(shared->path() / "tree").string()});
    struct Case {
        const char* query;
        std::vector<std::pair<const wchar_t*, bool>> rules;  // expression, must match
    };
    const Case cases[] = {
        {"*.jpg", {{L"^.*\\.jpg$", true}}},
        {"report????.*", {{L"^report....\\..*$", true}}},
        {"img_20??0*", {{L"^img_20..0", true}}},
        {"report|invoice", {{L"report|invoice", true}}},
        {"budget !old", {{L"budget", true}, {L"old", false}}},
        {"report !*.txt|*.md", {{L"report", true}, {L"^.*\\.(txt|md)$", false}}},
        {"\"report summary\"", {{L"report summary", true}}},
        {"报告?????.*", {{L"^报告.....\\..*$", true}}},
        {"?告*", {{L"^.告", true}}},
        {"*报告*.jpg|*.png", {{L"^.*报告.*\\.jpg$|^.*\\.png$", true}}},
        {"新建|项目计划 !2015", {{L"新建|项目计划", true}, {L"2015", false}}},
        {"report 2023", {{L"report", true}, {L"2023", true}}},  // plain, as ever
    };
    std::string list = readFile(fs::canonical(program / "index") / "AllFiles.dat");
    for (const Case& c : cases) {
        std::vector<std::pair<std::wregex, bool>> rules;
        for (auto [expression, wanted] : c.rules)
            rules.emplace_back(std::wregex(expression), wanted);
        std::vector<std::string> expected;
        for (size_t pos = 0, end; pos < list.size(); pos = end + 1) {
            end = list.find('\n', pos);
            auto line = parseFileListLine(std::string_view(list).substr(pos, end - pos));
            if (isHiddenEntry(line->folder, line->name)) continue;
            std::wstring name = wideLowered(line->name);
            if (std::all_of(rules.begin(), rules.end(), [&](const auto& rule) {
                    return std::regex_search(name, rule.first) == rule.second;
                }))
                expected.push_back(joinPath(line->folder, line->name));
        }
        EXPECT_FALSE(expected.empty()) << c.query;
        EXPECT_EQ(searchName(c.query), expected) << c.query;
    }
}

// Every stored row with all its columns, the first page as handed to the
// list, and how the search ended.
struct Outcome {
    int result;
    std::vector<ResultRow> stored;
    std::vector<ResultRow> firstPage;
};

TEST_F(GeneratedTree, ManyThreadsFindExactlyWhatOneFindsInTheSameOrder) {
    if (!generated) GTEST_SKIP() << "tree generator not available";
    std::string root = (shared->path() / "tree").string();
    indexAndLoad({root});
    auto run = [&](const SearchCriteria& c, unsigned threads) {
        engine->setEvaluationThreads(threads);
        Outcome outcome;
        view = RecordingView();
        outcome.result = engine->Search(c, &view);
        outcome.firstPage = view.firstPage;
        for (std::int64_t first = 0;; first += 100) {
            auto page = readResultPage(db, first);
            outcome.stored.insert(outcome.stored.end(), page.begin(), page.end());
            if (page.size() < 100) break;
        }
        return outcome;
    };
    struct Query {
        const char* what;
        std::function<void(SearchCriteria&)> set;
    };
    const Query queries[] = {
        {"broad name", [](SearchCriteria& c) { c.name = "a"; }},
        {"Chinese name", [](SearchCriteria& c) { c.name = "报告"; }},
        {"name in a folder",
         [&](SearchCriteria& c) {
             c.name = "e";
             c.folder = root + "/home";
         }},
        {"size and modification time",
         [](SearchCriteria& c) {
             c.name = "o";
             c.sizeMin = 1000;
             c.sizeMax = 1 << 20;
             c.timeKind = kModificationTime;
             c.timeFrom = 1'300'000'000;
         }},
        {"type tab",
         [&](SearchCriteria& c) {
             c.typeTab = 1;
             std::fill(c.typeFlags.begin(), c.typeFlags.end(), 0);
             for (const char* suffix : {"txt", "md", "c"}) c.typeFlags[extendId(suffix)] = 1;
         }},
        {"content in GBK, UTF-8 and UTF-16LE",
         [](SearchCriteria& c) { c.content = "zephyrquill"; }},
        {"Chinese content", [](SearchCriteria& c) { c.content = "蓝鲸数据"; }},
        {"name and content",
         [](SearchCriteria& c) {
             c.name = "e";
             c.content = "marmotglyph";
         }},
    };
    for (const Query& query : queries) {
        SearchCriteria c = criteria();
        query.set(c);
        Outcome one = run(c, 1), many = run(c, 3);
        EXPECT_EQ(many.result, one.result) << query.what;
        EXPECT_GT(one.stored.size(), 0u) << query.what;
        EXPECT_TRUE(many.stored == one.stored) << query.what;
        EXPECT_TRUE(many.firstPage == one.firstPage) << query.what;
    }
}

}  // namespace
}  // namespace zeph::test
