#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "search/engine/Intersect.h"
#include "search/engine/ResultTexts.h"
#include "tests/engine/EngineFixture.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

using Search = EngineFixture;
using Paths = std::vector<std::string>;

Paths sorted(Paths paths) {
    std::sort(paths.begin(), paths.end());
    return paths;
}

TEST(IntersectPostings, KeepsIdsInEveryList) {
    using List = std::vector<std::uint32_t>;
    EXPECT_EQ(intersectPostings({}), List{});
    EXPECT_EQ(intersectPostings({{1, 5, 9}}), (List{1, 5, 9}));
    EXPECT_EQ(intersectPostings({{1, 5, 9, 12}, {0, 5, 12, 40}, {5, 6, 12}}), (List{5, 12}));
    EXPECT_EQ(intersectPostings({{1, 2, 3}, {}}), List{});
    EXPECT_EQ(intersectPostings({{4294967294u, 4294967295u}, {4294967295u}}), List{4294967295u});
    List big;
    for (std::uint32_t i = 0; i < 100000; ++i) big.push_back(i * 2);
    EXPECT_EQ(intersectPostings({big, {3, 4, 199998, 200000}}), (List{4, 199998}));
}

TEST_F(Search, NameTokensMatchNamesOnlyInAnyOrderAndCase) {
    for (const char* name :
         {"README.TXT", "old_readme.doc", "me and read.md", "readme", "other.txt"})
        writeFile(tree / name, "x");
    writeFile(tree / "readme-folder" / "plain.txt", "x");
    indexAndLoad();
    EXPECT_EQ(sorted(searchName("readme")),
              sorted({at("README.TXT"), at("old_readme.doc"), at("readme"), at("readme-folder")}));
    EXPECT_EQ(sorted(searchName("read me")),
              sorted({at("README.TXT"), at("old_readme.doc"), at("me and read.md"), at("readme"),
                      at("readme-folder")}));
    EXPECT_EQ(searchName("plain readme"), Paths{});  // the folder field is not the name
}

TEST_F(Search, CaseSensitiveAndExactOptions) {
    for (const char* name : {"Q-Z.txt", "q-z.txt", "AB.log", "ab.log", "Readme.txt", "readme.txt",
                             "A", "c.log", "abc.log", "wow!.txt"})
        writeFile(tree / name, "x");
    indexAndLoad();
    auto run = [&](const char* name, bool caseSensitive, bool exact) {
        SearchCriteria c = criteria();
        c.name = name;
        c.caseSensitive = caseSensitive;
        c.exactMatch = exact;
        return sorted(search(c));
    };
    EXPECT_EQ(run("Q-Z", true, false), Paths{at("Q-Z.txt")});
    EXPECT_EQ(run("AB", true, false), Paths{at("AB.log")});
    EXPECT_EQ(run("A", true, false), sorted({at("AB.log"), at("A")}));
    EXPECT_EQ(run("Readme.txt", false, true), Paths{at("Readme.txt")});
    EXPECT_EQ(run("Readme.txt", true, true), Paths{at("Readme.txt")});
    EXPECT_EQ(run("q-z", false, false), sorted({at("Q-Z.txt"), at("q-z.txt")}));
    // Exact is byte for byte whatever the case option, alternatives too.
    EXPECT_EQ(run("AB.log|zzz", false, true), Paths{at("AB.log")});
    EXPECT_EQ(run("AB.LOG|zzz", false, true), Paths{});
    EXPECT_EQ(run("c.log|zzz", false, true), Paths{at("c.log")});
    // A '!' inside a word is a character of it; only a leading one excludes.
    EXPECT_EQ(run("wow!", false, false), Paths{at("wow!.txt")});
    EXPECT_EQ(run("*.txt !wow", false, false),
              sorted({at("Q-Z.txt"), at("q-z.txt"), at("Readme.txt"), at("readme.txt")}));
}

TEST_F(Search, NamesWithMultibyteCharactersAreFound) {
    for (const char8_t* name : {u8"乤x.txt", u8"😀x.md", u8"año.log", u8"报告2023.doc"})
        writeFile(tree / utf8(name), "x");
    indexAndLoad();
    EXPECT_EQ(searchName("乤x"), Paths{at("乤x.txt")});
    EXPECT_EQ(searchName("😀x"), Paths{at("😀x.md")});
    EXPECT_EQ(searchName("año"), Paths{at("año.log")});
    EXPECT_EQ(searchName("报告 2023"), Paths{at("报告2023.doc")});
}

TEST_F(Search, TokensMatchWholeCharactersNeverAcrossThem) {
    // The GBK bytes of 形氖 (D0CE C4CA) occur straddling 中|文|是 (D6D0 CEC4 CAC7).
    for (const char8_t* name : {u8"中文是-形-氖.txt", u8"形氖.txt", u8"x中文是.md"})
        writeFile(tree / utf8(u8"中文是") / utf8(name), "x");
    indexAndLoad();
    for (bool caseSensitive : {false, true}) {
        SearchCriteria c = criteria();
        c.name = "形氖";
        c.caseSensitive = caseSensitive;
        EXPECT_EQ(search(c), Paths{at("中文是/形氖.txt")}) << caseSensitive;
        c.name = "*形氖*";  // a '*' backs off whole characters, never one byte
        EXPECT_EQ(search(c), Paths{at("中文是/形氖.txt")}) << caseSensitive;
        c.name = "文是";
        EXPECT_EQ(sorted(search(c)),
                  sorted({at("中文是"), at("中文是/中文是-形-氖.txt"), at("中文是/x中文是.md")}))
            << caseSensitive;
    }
}

TEST_F(Search, PatternsTakeWholeCharactersAndQuotesAreLiteral) {
    for (const char8_t* name :
         {u8"报告", u8"报告x", u8"x亅y.txt", u8"a b.md", u8"a*b.md", u8"axb.md", u8"b a.md"})
        writeFile(tree / utf8(name), "x");
    indexAndLoad();
    EXPECT_EQ(searchName("报?"), Paths{at("报告")});  // one character, two bytes
    EXPECT_EQ(searchName("报??"), Paths{at("报告x")});
    EXPECT_EQ(searchName("?告"), Paths{at("报告")});
    EXPECT_EQ(searchName("??告"), Paths{});  // as bytes, ?? would take 报 and leave 告
    EXPECT_EQ(sorted(searchName("?告*")), sorted({at("报告"), at("报告x")}));
    // 亅 is 0x81 '|' in GBK: its second byte is no alternative.
    EXPECT_EQ(searchName("亅"), Paths{at("x亅y.txt")});
    EXPECT_EQ(searchName("\"a b\""), Paths{at("a b.md")});
    EXPECT_EQ(sorted(searchName("a b")),
              sorted({at("a b.md"), at("a*b.md"), at("axb.md"), at("b a.md")}));
    EXPECT_EQ(searchName("\"a*b\""), Paths{at("a*b.md")});
    EXPECT_EQ(sorted(searchName("a*b.md")), sorted({at("a b.md"), at("a*b.md"), at("axb.md")}));
}

TEST_F(Search, ATextTheIndexCannotNarrowFallsBackToTheTypeOrIsRefused) {
    for (const char* name : {"keep.txt", "old.txt", "notes.md"}) writeFile(tree / name, "x");
    indexAndLoad();
    for (const char* query : {"*", "!old", "?*"}) {
        int outcome = 0;
        messages.shown.clear();
        SearchCriteria c = criteria();
        c.name = query;
        EXPECT_EQ(search(c, &outcome), Paths{}) << query;
        EXPECT_EQ(outcome, kSearchEmpty) << query;
        ASSERT_EQ(messages.shown.size(), 1u) << query;
        EXPECT_EQ(messages.shown[0].text, "请输入查询条件！");
    }
    SearchCriteria c = criteria();
    c.typeTab = 1;
    std::fill(c.typeFlags.begin(), c.typeFlags.end(), 0);
    c.typeFlags[extendId("txt")] = 1;
    c.name = "!old";
    EXPECT_EQ(search(c), Paths{at("keep.txt")});
    c.name = "*.txt";
    EXPECT_EQ(sorted(search(c)), sorted({at("keep.txt"), at("old.txt")}));
    c.name = "*";
    c.exactMatch = true;  // a pattern still spans the whole name
    EXPECT_EQ(sorted(search(c)), sorted({at("keep.txt"), at("old.txt")}));
}

TEST_F(Search, LookInFolderMatchesWholeComponentsExactly) {
    writeFile(tree / "data" / "ab" / "one.txt", "x");
    writeFile(tree / "data" / "abc" / "two.txt", "x");
    writeFile(tree / "data" / "AB" / "three.txt", "x");
    indexAndLoad();
    auto in = [&](const std::string& folder) {
        SearchCriteria c = criteria();
        c.name = ".txt";
        c.folder = folder;
        return sorted(search(c));
    };
    EXPECT_EQ(in(at("data/ab")), Paths{at("data/ab/one.txt")});
    EXPECT_EQ(in(at("data/ab/")), Paths{at("data/ab/one.txt")});
    EXPECT_EQ(in("/").size(), 3u);
    EXPECT_EQ(in("").size(), 3u);
    EXPECT_EQ(in(at("data/a")), Paths{});
}

TEST_F(Search, TimeFilterFollowsTheChosenKind) {
    writeFile(tree / "old.txt", "x");
    writeFile(tree / "new.txt", "x");
    struct timespec oldTimes[2] = {{1000, 0}, {2000, 0}};  // accessed, modified
    struct timespec newTimes[2] = {{5'000'000'000LL, 0}, {4'500'000'000LL, 0}};  // after 2038
    utimensat(AT_FDCWD, at("old.txt").c_str(), oldTimes, 0);
    utimensat(AT_FDCWD, at("new.txt").c_str(), newTimes, 0);
    indexAndLoad();
    auto between = [&](int kind, std::int64_t from, std::int64_t to) {
        SearchCriteria c = criteria();
        c.name = "txt";
        c.timeKind = kind;
        c.timeFrom = from;
        c.timeTo = to;
        return sorted(search(c));
    };
    EXPECT_EQ(between(kModificationTime, 2000, 2000), Paths{at("old.txt")});
    EXPECT_EQ(between(kModificationTime, 4'000'000'000LL, 4'500'000'000LL), Paths{at("new.txt")});
    EXPECT_EQ(between(kAccessTime, 0, 1000), Paths{at("old.txt")});
    EXPECT_EQ(between(kAccessTime, 1001, 4'999'999'999LL), Paths{});
    EXPECT_EQ(between(kCreationTime, 0, 3000), Paths{});  // both were created just now
    EXPECT_EQ(view.firstPage.size(), 0u);
    between(kModificationTime, 0, 2000);
    ASSERT_EQ(view.firstPage.size(), 1u);
    EXPECT_EQ(view.firstPage[0].timeText, timeText(2000));  // the chosen kind's time is shown
}

TEST_F(Search, SizeBoundsAboveFourGibibytes) {
    UniqueFd big(::open(at("big.iso").c_str(), O_WRONLY | O_CREAT, 0644));
    ASSERT_EQ(ftruncate(big.get(), 5368709120LL), 0);
    writeFile(tree / "small.iso", "12345");
    indexAndLoad();
    auto sized = [&](std::int64_t min, std::int64_t max) {
        SearchCriteria c = criteria();
        c.name = "iso";
        c.sizeMin = min;
        c.sizeMax = max;
        return sorted(search(c));
    };
    EXPECT_EQ(sized(4294967297LL, INT64_MAX), Paths{at("big.iso")});
    EXPECT_EQ(sized(0, 4294967296LL), Paths{at("small.iso")});
    EXPECT_EQ(sized(5, 5368709120LL).size(), 2u);
    sized(4294967297LL, INT64_MAX);
    ASSERT_EQ(view.firstPage.size(), 1u);
    EXPECT_EQ(view.firstPage[0].sizeText, "      5,368,709,120");
}

TEST_F(Search, TypeTabsFlagsAndFolders) {
    writeFile(tree / "a.txt", "x");
    writeFile(tree / "b.TXT", "x");
    writeFile(tree / "c.jpg", "x");
    writeFile(tree / "d.unknownext", "x");
    writeFile(tree / "noext", "x");
    fs::create_directory(tree / "folder.txt");
    indexAndLoad();
    SearchCriteria c = criteria();
    c.name = "";
    c.typeTab = 1;
    std::fill(c.typeFlags.begin(), c.typeFlags.end(), 0);
    c.typeFlags[extendId("txt")] = 1;
    EXPECT_EQ(sorted(search(c)), sorted({at("a.txt"), at("b.TXT")}));
    c.typeFlags[extendId("jpg")] = 1;
    // Without name text: by ExtendID, then by entry.
    Paths byType = search(c);
    ASSERT_EQ(byType.size(), 3u);
    bool txtFirst = extendId("txt") < extendId("jpg");
    EXPECT_EQ(byType[txtFirst ? 2 : 0], at("c.jpg"));

    c.name = "x";  // a category tab drops folders, unknown suffixes and files without one
    EXPECT_EQ(sorted(search(c)), sorted({at("a.txt"), at("b.TXT")}));
    c.typeTab = 0;
    auto all = search(c);
    EXPECT_EQ(all.size(), 5u);  // everything but c.jpg: folders and unknown types included
    std::map<std::string, std::string> typeOf;
    for (const auto& row : view.firstPage) typeOf[row.name] = row.typeText;
    EXPECT_EQ(typeOf["folder.txt"], "文件夹");
    EXPECT_EQ(typeOf["noext"], "未知文件类型");
    EXPECT_EQ(typeOf["d.unknownext"], "未知文件类型");
    EXPECT_EQ(typeOf["a.txt"], "文本文档");

    SearchCriteria none = criteria();
    none.typeTab = 2;
    std::fill(none.typeFlags.begin(), none.typeFlags.end(), 0);
    EXPECT_EQ(search(none), Paths{});
    EXPECT_EQ(view.noResults, "搜索完毕，没有结果可显示");
}

TEST_F(Search, EmptyAndSeparatorOnlyQueries) {
    writeFile(tree / "a.txt", "x");
    indexAndLoad();
    SearchCriteria c = criteria();
    int outcome = 0;
    search(c, &outcome);
    EXPECT_EQ(outcome, kSearchEmpty);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "请输入查询条件！");
    EXPECT_EQ(messages.shown[0].caption, "查询为空");

    searchName("a.txt");
    EXPECT_EQ(view.hits, 1);
    EXPECT_EQ(searchName(" , \t"), Paths{});
    EXPECT_EQ(view.hits, 0);  // the label is reset, never stale
    EXPECT_EQ(view.label, "ZEPH桌面搜索找到文件  0  个，共分为  0  页。");
    EXPECT_EQ(view.noResults, "搜索完毕，没有结果可显示");
}

TEST_F(Search, FilesDeletedSinceIndexingAreSkippedDanglingLinksKept) {
    writeFile(tree / "kept.dat", "x");
    writeFile(tree / "gone.dat", "x");
    fs::create_symlink("nowhere", tree / "dangling.dat");
    indexAndLoad();
    fs::remove(tree / "gone.dat");
    EXPECT_EQ(sorted(searchName(".dat")), sorted({at("kept.dat"), at("dangling.dat")}));
}

TEST_F(Search, PagesStopAndLabels) {
    for (int i = 0; i < 260; ++i) writeFile(tree / ("file" + std::to_string(i) + ".log"), "x");
    writeFile(tree / "it's 100%.log", "x");
    indexAndLoad();
    auto all = searchName(".log");
    ASSERT_EQ(all.size(), 261u);
    EXPECT_EQ(view.firstPage.size(), 100u);
    EXPECT_EQ(view.label, "ZEPH桌面搜索找到文件  261  个，共分为  3  页。");
    EXPECT_EQ(hitsFromLabel(view.label), 261);
    EXPECT_NE(std::find(all.begin(), all.end(), at("it's 100%.log")), all.end());
    auto page3 = readResultPage(db, 200);
    ASSERT_EQ(page3.size(), 61u);
    EXPECT_EQ(page3[0].folder + "/" + page3[0].name, all[200]);
    for (size_t i = 0; i < 100; ++i)
        EXPECT_EQ(view.firstPage[i].folder + "/" + view.firstPage[i].name, all[i]);

    SearchCriteria c = criteria();
    c.name = ".log";
    view = RecordingView();
    view.onStored = [&](std::int64_t count) {
        if (count == 250) engine->requestStop();
    };
    EXPECT_EQ(engine->Search(c, &view), kSearchEnded);
    EXPECT_EQ(storedPaths().size(), 250u);
    EXPECT_EQ(view.label, "ZEPH桌面搜索找到文件  250  个，共分为  3  页。");
    EXPECT_TRUE(view.noResults.empty());
}

TEST_F(Search, TheCountFollowsFromTheFirstHit) {
    for (const char* name : {"one.log", "two.log", "three.log"}) writeFile(tree / name, "x");
    indexAndLoad();
    ASSERT_EQ(searchName(".log").size(), 3u);
    // Each row of the first page arrives after the count of the rows before it.
    EXPECT_EQ(view.hitsAtRow, (std::vector<std::int64_t>{-1, 1, 2}));
    EXPECT_EQ(view.hits, 3);
}

TEST_F(Search, PathsPastTheKernelLimitAreFoundByNameAndContent) {
    // Built with openat, since such a path cannot be made by name.
    const std::string component(200, 'd');
    UniqueFd fd(::open(tree.str().c_str(), O_RDONLY | O_DIRECTORY));
    std::string folder = tree.str();
    for (int depth = 0; depth < 25; ++depth) {
        ASSERT_EQ(mkdirat(fd.get(), component.c_str(), 0755), 0);
        fd = UniqueFd(::openat(fd.get(), component.c_str(), O_RDONLY | O_DIRECTORY));
        folder += "/" + component;
    }
    ASSERT_GT(folder.size(), 4096u);
    UniqueFd file(::openat(fd.get(), "deepest.txt", O_WRONLY | O_CREAT, 0644));
    ASSERT_EQ(::write(file.get(), "a zephyrquill b", 15), 15);
    indexAndLoad();
    EXPECT_EQ(searchName("deepest"), Paths{folder + "/deepest.txt"});
    SearchCriteria c = criteria();
    c.content = "zephyrquill";
    EXPECT_EQ(search(c), Paths{folder + "/deepest.txt"});
}

TEST_F(Search, AStopEndsAParallelContentSearchAndKeepsWhatItStored) {
    for (int i = 0; i < 3000; ++i)
        writeFile(tree / ("d" + std::to_string(i % 30)) / ("f" + std::to_string(i) + ".txt"),
                  std::string(20000, 'x') + "needle");
    indexAndLoad();
    engine->setEvaluationThreads(3);
    SearchCriteria c = criteria();
    c.content = "needle";
    view = RecordingView();
    view.onStored = [&](std::int64_t count) {
        if (count == 150) engine->requestStop();
    };
    EXPECT_EQ(engine->Search(c, &view), kSearchEnded);
    EXPECT_EQ(view.hits, 150);
    EXPECT_EQ(storedPaths().size(), 150u);
    // The engine answers the next search in full.
    EXPECT_EQ(search(c).size(), 3000u);
}

TEST_F(Search, ASupersededSearchLeavesTheTableUntilItsFirstPageIsStored) {
    for (int i = 0; i < 300; ++i) writeFile(tree / ("f" + std::to_string(i) + ".log"), "x");
    writeFile(tree / "only.txt", "x");
    indexAndLoad();
    ASSERT_EQ(searchName("only").size(), 1u);
    for (std::int64_t stopAt : {50, 150}) {
        SearchCriteria c = criteria();
        c.name = ".log";
        view = RecordingView();
        view.onStored = [&](std::int64_t count) {
            if (count == stopAt) engine->requestStop(true);
        };
        EXPECT_EQ(engine->Search(c, &view), kSearchEnded);
        // Before its first page was complete it wrote nothing; after, it stopped there.
        EXPECT_EQ(storedPaths().size(), stopAt < 100 ? 1u : static_cast<size_t>(stopAt)) << stopAt;
        if (stopAt < 100) {
            EXPECT_EQ(storedPaths(), Paths{at("only.txt")});
        }
    }
}

struct TextCase {
    std::int64_t size;
    const char* text;
};

TEST(ResultTexts, SizesAreGroupedAndRightAligned) {
    for (auto c : {TextCase{0, "                  0"}, TextCase{999, "                999"},
                   TextCase{1000, "              1,000"}, TextCase{1234567, "          1,234,567"},
                   TextCase{3000000000LL, "      3,000,000,000"},
                   TextCase{INT64_MAX, "9,223,372,036,854,775,807"}})
        EXPECT_EQ(sizeText(c.size), c.text);
    EXPECT_EQ(formatThousands(18446744073709551615ull), "18,446,744,073,709,551,615");
    EXPECT_EQ(hitLabelText(100), "ZEPH桌面搜索找到文件  100  个，共分为  1  页。");
    EXPECT_EQ(hitLabelText(101), "ZEPH桌面搜索找到文件  101  个，共分为  2  页。");
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(timeText(0), "1970-01-01 00:00:00");
    EXPECT_EQ(timeText(4102444800LL), "2100-01-01 00:00:00");
    setenv("TZ", "Asia/Shanghai", 1);
    tzset();
    EXPECT_EQ(timeText(0), "1970-01-01 08:00:00");
    unsetenv("TZ");
    tzset();
}

TEST(ResultTexts, TimesWorkedOutByTheHourAgreeWithTheClock) {
    std::mt19937_64 random(9);
    for (const char* zone : {"UTC", "Asia/Shanghai", "America/New_York", "Australia/Lord_Howe",
                             "Asia/Kathmandu", "Europe/Dublin"}) {
        setenv("TZ", zone, 1);
        tzset();
        TimeTexts texts;
        std::vector<std::int64_t> times = {0, -1, -86400 * 365 * 50LL, 4102444800LL, 1711846800};
        for (int i = 0; i < 20000; ++i)
            times.push_back(static_cast<std::int64_t>(random() % 2'000'000'000ULL) - 100'000'000);
        for (std::int64_t t : times) ASSERT_EQ(texts.text(t), timeText(t)) << zone << " " << t;
    }
    unsetenv("TZ");
    tzset();
}

}  // namespace
}  // namespace zeph::test
