// Each typed filter's answers over a tree whose sizes and times are set,
// against an independent reading of the same files: their sizes and local
// dates worked out from the files themselves, around the boundaries that go
// wrong (midnight, the week's first day, 1,024 against 1,000 bytes); names
// by a regular expression against Python's re; a pathological pattern ends
// at once.
#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

#include "common/SearchLine.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/RunProgram.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

class LineFilterSearch : public EngineFixture {
protected:
    std::time_t now = std::time(nullptr);
    std::int64_t midnight(int daysFromToday) const {
        std::tm t{};
        ::localtime_r(&now, &t);
        t.tm_mday += daysFromToday;
        t.tm_hour = t.tm_min = t.tm_sec = 0;
        t.tm_isdst = -1;
        return std::mktime(&t);
    }
    void make(const std::string& name, std::int64_t size, std::int64_t modified) {
        writeFile(tree / name, std::string(static_cast<size_t>(size), 'x'));
        const struct timespec times[2] = {{modified, 0}, {modified, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (tree / name).c_str(), times, 0), 0);
    }
    std::set<std::string> answered(const std::string& line) {
        SearchCriteria c = criteria();
        SearchLine parsed = parseSearchLine(line, {now, "/nonexistent"});
        EXPECT_FALSE(applySearchLine(parsed, c)) << line;
        auto paths = search(c);
        return {paths.begin(), paths.end()};
    }
    // The files of the tree the rule holds for, read from the files themselves.
    std::set<std::string> brute(const std::function<bool(const fs::path&, const struct stat&)>& rule) {
        std::set<std::string> paths;
        for (const auto& entry : fs::directory_iterator(tree.path())) {
            struct stat st;
            ::lstat(entry.path().c_str(), &st);
            if (S_ISREG(st.st_mode) && rule(entry.path(), st)) paths.insert(entry.path().string());
        }
        return paths;
    }
    // Days from today of a time, by the local calendar.
    int dayOf(std::time_t time) const {
        std::tm a{}, b{};
        ::localtime_r(&time, &a);
        ::localtime_r(&now, &b);
        std::tm ad = a, bd = b;
        ad.tm_hour = bd.tm_hour = 12;
        ad.tm_min = bd.tm_min = ad.tm_sec = bd.tm_sec = 0;
        ad.tm_isdst = bd.tm_isdst = -1;
        return static_cast<int>(std::lround(std::difftime(std::mktime(&ad), std::mktime(&bd)) / 86400));
    }
};

TEST_F(LineFilterSearch, SizesAndTimesEqualTheFilesOwnAroundTheBoundaries) {
    const std::int64_t sizes[] = {0, 1, 1000, 1023, 1024, 1025, 1048575, 1048576, 1048577};
    const std::int64_t times[] = {midnight(0), midnight(0) - 1, midnight(1) - 1, midnight(-1),
                                  midnight(-7), midnight(-8) + 1, midnight(-40)};
    int n = 0;
    for (std::int64_t size : sizes)
        for (std::int64_t time : times) make("f" + std::to_string(n++) + ".dat", size, time);
    // A Monday and the Sunday before it, whatever today is.
    std::tm today{};
    ::localtime_r(&now, &today);
    const int sinceMonday = (today.tm_wday + 6) % 7;
    make("monday.dat", 5, midnight(-sinceMonday));
    make("sunday.dat", 5, midnight(-sinceMonday) - 1);
    indexAndLoad();
    auto modified = [](const struct stat& st) { return st.st_mtim.tv_sec; };
    EXPECT_EQ(answered("size:empty"), brute([](auto&, auto& st) { return st.st_size == 0; }));
    EXPECT_EQ(answered("size:1k"), brute([](auto&, auto& st) { return st.st_size == 1024; }));
    EXPECT_EQ(answered("size:>1k"), brute([](auto&, auto& st) { return st.st_size > 1024; }));
    EXPECT_EQ(answered("size:<1kb"), brute([](auto&, auto& st) { return st.st_size < 1024; }));
    EXPECT_EQ(answered("size:1000..1mb"),
              brute([](auto&, auto& st) { return st.st_size >= 1000 && st.st_size <= 1048576; }));
    EXPECT_EQ(answered("!size:>=1m"), brute([](auto&, auto& st) { return st.st_size < 1048576; }));
    EXPECT_EQ(answered("dm:today"), brute([&](auto&, auto& st) { return dayOf(modified(st)) == 0; }));
    EXPECT_EQ(answered("dm:yesterday"),
              brute([&](auto&, auto& st) { return dayOf(modified(st)) == -1; }));
    EXPECT_EQ(answered("dm:last7days"), brute([&](auto&, auto& st) {
                  return modified(st) >= now - 7 * 86400 && modified(st) <= now;
              }));
    EXPECT_EQ(answered("dm:thisweek"), brute([&](auto&, auto& st) {
                  int day = dayOf(modified(st));
                  return day >= -sinceMonday && day < 7 - sinceMonday;
              }));
    EXPECT_EQ(answered("dm:lastweek size:5"), brute([&](auto&, auto& st) {
                  int day = dayOf(modified(st));
                  return st.st_size == 5 && day >= -sinceMonday - 7 && day < -sinceMonday;
              }));
    EXPECT_EQ(answered("!dm:today ext:dat size:<2"), brute([&](auto&, auto& st) {
                  return st.st_size < 2 && dayOf(modified(st)) != 0;
              }));
}

TEST_F(LineFilterSearch, FoldersKindsAndSuffixes) {
    writeFile(tree / "proj" / "v1.2.txt", "x");
    writeFile(tree / "proj" / "deep" / "v2.0.log", "x");
    writeFile(tree / "other" / "projects" / "v3.1.txt", "x");
    writeFile(tree / "notes.TXT", "x");
    writeFile(tree / "meeting:notes.md", "x");
    writeFile(tree / "ext:odd.md", "x");
    indexAndLoad();
    using Paths = std::set<std::string>;
    EXPECT_EQ(answered("ext:txt"), (Paths{at("proj/v1.2.txt"), at("other/projects/v3.1.txt"), at("notes.TXT")}));
    EXPECT_EQ(answered("in:" + tree.str() + "/proj"), (Paths{at("proj/v1.2.txt"), at("proj/deep/v2.0.log"), at("proj/deep")}));
    EXPECT_EQ(answered("parent:" + tree.str() + "/proj file:"), (Paths{at("proj/v1.2.txt")}));
    EXPECT_EQ(answered("path:proj ext:txt;log"), (Paths{at("proj/v1.2.txt"), at("proj/deep/v2.0.log")}));
    EXPECT_EQ(answered("folder: path:proj"), (Paths{at("proj/deep")}));
    EXPECT_EQ(answered("!ext:log in:" + tree.str() + "/proj regex:^v\\d+\\.\\d+"),
              (Paths{at("proj/v1.2.txt")}));
    EXPECT_EQ(answered("regex:path:other/.*txt$"), (Paths{at("other/projects/v3.1.txt")}));
    // Names with colons stay findable: an unknown name: is a word, a quoted one too.
    EXPECT_EQ(answered("meeting:notes"), (Paths{at("meeting:notes.md")}));
    EXPECT_EQ(answered("\"ext:odd\""), (Paths{at("ext:odd.md")}));
}

TEST_F(LineFilterSearch, NamesByARegularExpressionEqualPythonsReading) {
    const std::vector<std::string> stems = {"report", "Report", "v1.2", "v10.20", "data_2024",
                                            "a+b", "x.y.z", "release-v3", "READ me", "tmp"};
    const std::vector<std::string> suffixes = {".txt", ".PDF", ".tar.gz", "", ".v2"};
    std::vector<std::string> names;
    for (const std::string& stem : stems)
        for (const std::string& suffix : suffixes) {
            names.push_back(stem + suffix);
            writeFile(tree / names.back(), "x");
        }
    indexAndLoad();
    const std::vector<std::string> patterns = {"^v\\d+\\.\\d+", "report", "\\.(txt|pdf)$", "^[a-z]+$",
                                               "e.*e", "\\d{4}", "^r.*\\.gz$", "a\\+b", "\\s", "2$"};
    // Python's reading: the same names, each pattern without case, as the box reads it.
    std::string script = "import re, sys\nnames = sys.argv[2:]\nfor p in open(sys.argv[1]).read().split('\\n'):\n"
                         "    print('\\t'.join(sorted(n for n in names if re.search(p, n, re.I))))\n";
    std::string list;
    for (const std::string& pattern : patterns) list += (list.empty() ? "" : "\n") + pattern;
    writeFile(tree.path().parent_path() / (tree.path().filename().string() + "-patterns"), list);
    std::vector<std::string> args = {"-c", script,
                                     tree.path().string() + "-patterns"};
    args.insert(args.end(), names.begin(), names.end());
    ProgramRun python = runProgram("/usr/bin/python3", args);
    ASSERT_EQ(python.exitCode, 0) << python.err;
    std::istringstream lines(python.out);
    for (const std::string& pattern : patterns) {
        std::string line;
        std::getline(lines, line);
        std::set<std::string> expected;
        std::istringstream fields(line);
        for (std::string name; std::getline(fields, name, '\t');)
            if (!name.empty()) expected.insert(at(name));
        EXPECT_EQ(answered("regex:" + pattern), expected) << pattern;
    }
    fs::remove(tree.path().string() + "-patterns");
    // A pattern that takes a backtracking matcher exponential time ends at once.
    writeFile(tree / (std::string(40, 'a') + "!"), "x");
    indexAndLoad();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(answered("regex:^(a+)+$").empty());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

}  // namespace
}  // namespace zeph::test
