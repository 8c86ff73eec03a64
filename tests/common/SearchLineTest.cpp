// The search line as a user writes it: every filter, unit, time form, range,
// negation and quote read as meant; names with colons stay words; a value
// that is not understood is an error that says which part, never a filter
// that quietly matches nothing.
#include <gtest/gtest.h>

#include <ctime>

#include "common/SearchLine.h"

namespace zeph {
namespace {

// Wednesday 2026-12-09 12:00 local time.
std::time_t noon() {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 9;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

std::int64_t local(int y, int m, int d) {
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = m - 1;
    t.tm_mday = d;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

SearchLine parse(const std::string& line) {
    return parseSearchLine(line, {noon(), "/home/u"});
}

LineFilter only(const std::string& line) {
    SearchLine parsed = parse(line);
    EXPECT_FALSE(parsed.error) << line << ": " << parsed.error->message;
    EXPECT_EQ(parsed.filters.size(), 1u) << line;
    return parsed.filters.empty() ? LineFilter{} : parsed.filters[0];
}

TEST(SearchLine, WordsAndFiltersSeparateInAnyOrder) {
    SearchLine parsed = parse("report ext:pdf;DOCX,.txt 2024 !dm:today \"a:b\" xyz:c budget|plan");
    EXPECT_EQ(parsed.name, "report 2024 \"a:b\" xyz:c budget|plan");
    ASSERT_EQ(parsed.filters.size(), 2u);
    EXPECT_EQ(parsed.filters[0].suffixes, (std::vector<std::string>{"pdf", "docx", "txt"}));
    EXPECT_TRUE(parsed.filters[1].negated);
    ASSERT_EQ(parsed.filterSpans.size(), 2u);
    EXPECT_EQ(parsed.filterSpans[0].begin, 7u);
    EXPECT_EQ(parsed.filterSpans[0].end, 24u);
    // A name of a colon, a drive-like name, a word ending in one: words.
    EXPECT_EQ(parse("C: note:").name, "C: note:");
    EXPECT_TRUE(parse("C: note:").filters.empty());
}

TEST(SearchLine, SizesInEveryUnitFormAndRange) {
    auto size = [](const std::string& line) {
        LineFilter f = only(line);
        return std::make_pair(f.from, f.to);
    };
    const std::int64_t most = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(size("size:>10mb"), std::make_pair(std::int64_t{10} * 1024 * 1024 + 1, most));
    EXPECT_EQ(size("size:>=1k"), std::make_pair(std::int64_t{1024}, most));
    EXPECT_EQ(size("size:<1k"), std::make_pair(std::int64_t{0}, std::int64_t{1023}));
    EXPECT_EQ(size("size:<=1KB"), std::make_pair(std::int64_t{0}, std::int64_t{1024}));
    EXPECT_EQ(size("size:1mb..5mb"),
              std::make_pair(std::int64_t{1} << 20, std::int64_t{5} << 20));
    EXPECT_EQ(size("size:empty"), std::make_pair(std::int64_t{0}, std::int64_t{0}));
    EXPECT_EQ(size("size:1.5g"), std::make_pair(std::int64_t{3} << 29, std::int64_t{3} << 29));
    EXPECT_EQ(size("size:1000"), std::make_pair(std::int64_t{1000}, std::int64_t{1000}));
    EXPECT_EQ(size("size:..2b"), std::make_pair(std::int64_t{0}, std::int64_t{2}));
    for (const char* wrong : {"size:>abc", "size:10xb", "size:", "size:5mb..1mb", "size:<0"}) {
        SearchLine parsed = parse(std::string("report ") + wrong);
        ASSERT_TRUE(parsed.error) << wrong;
        EXPECT_EQ(parsed.error->begin, 7u) << wrong;
        EXPECT_NE(parsed.error->message.find(wrong), std::string::npos) << wrong;
    }
}

TEST(SearchLine, TimesInLocalTimeWithWeeksFromMonday) {
    auto range = [](const std::string& line) {
        LineFilter f = only(line);
        return std::make_pair(f.from, f.to);
    };
    EXPECT_EQ(range("dm:today"), std::make_pair(local(2026, 12, 9), local(2026, 12, 10) - 1));
    EXPECT_EQ(range("dc:yesterday"), std::make_pair(local(2026, 12, 8), local(2026, 12, 9) - 1));
    EXPECT_EQ(range("da:thisweek"), std::make_pair(local(2026, 12, 7), local(2026, 12, 14) - 1));
    EXPECT_EQ(range("dm:lastweek"), std::make_pair(local(2026, 11, 30), local(2026, 12, 7) - 1));
    EXPECT_EQ(range("dm:thismonth"), std::make_pair(local(2026, 12, 1), local(2027, 1, 1) - 1));
    EXPECT_EQ(range("dm:thisyear"), std::make_pair(local(2026, 1, 1), local(2027, 1, 1) - 1));
    EXPECT_EQ(range("dm:last7days"),
              std::make_pair(static_cast<std::int64_t>(noon()) - 7 * 86400,
                             static_cast<std::int64_t>(noon())));
    EXPECT_EQ(range("dm:2024-02-29"), std::make_pair(local(2024, 2, 29), local(2024, 3, 1) - 1));
    EXPECT_EQ(range("dm:2024-03"), std::make_pair(local(2024, 3, 1), local(2024, 4, 1) - 1));
    EXPECT_EQ(range("dm:2024"), std::make_pair(local(2024, 1, 1), local(2025, 1, 1) - 1));
    EXPECT_EQ(range("dm:2024-01..2024-03"), std::make_pair(local(2024, 1, 1), local(2024, 4, 1) - 1));
    EXPECT_EQ(range("dm:>2024-01").first, local(2024, 2, 1));
    EXPECT_EQ(range("dm:>=2024-01").first, local(2024, 1, 1));
    EXPECT_EQ(range("dm:<2024").second, local(2024, 1, 1) - 1);
    EXPECT_EQ(range("dm:<=2024").second, local(2025, 1, 1) - 1);
    for (const char* wrong : {"dm:2024-13", "dm:2023-02-29", "dm:2024-04-31", "dm:soon",
                              "dm:24-01", "dm:2024-03..2024-01", "dm:2024-1-1-1"}) {
        SearchLine parsed = parse(wrong);
        ASSERT_TRUE(parsed.error) << wrong;
        EXPECT_NE(parsed.error->message.find(wrong), std::string::npos) << wrong;
    }
}

TEST(SearchLine, FoldersKindsSwitchesContentAndPatterns) {
    EXPECT_EQ(only("in:~/proj").folder, "/home/u/proj");
    EXPECT_EQ(only("path:/data/").folder, "/data");
    LineFilter relative = only("path:projects/");
    EXPECT_TRUE(relative.relative);
    EXPECT_EQ(relative.folder, "projects");
    EXPECT_EQ(only("parent:~").kind, LineFilter::Parent);
    EXPECT_TRUE(parse("parent:projects").error);  // only a whole folder
    EXPECT_FALSE(only("file:").negated);
    EXPECT_TRUE(only("!file:").negated);
    EXPECT_TRUE(only("file:off").negated);
    EXPECT_TRUE(parse("folder:maybe").error);
    SearchLine switches = parse("case: exact:off hidden:on");
    EXPECT_EQ(switches.caseSensitive, true);
    EXPECT_EQ(switches.exact, false);
    EXPECT_EQ(switches.hidden, true);
    EXPECT_EQ(parse("content:\"two words\" x").content, "two words");
    EXPECT_EQ(parse("content:\"two words\" x").name, "x");
    EXPECT_TRUE(parse("!content:x").error);
    EXPECT_TRUE(parse("content:\"unended").error);
    LineFilter pattern = only("regex:path:^/home/.*\\.pdf$");
    EXPECT_TRUE(pattern.wholePath);
    EXPECT_EQ(pattern.pattern, "^/home/.*\\.pdf$");
    EXPECT_TRUE(parse("regex:(unclosed").error);
    EXPECT_EQ(only("type:PICTURE").type, 2);
    EXPECT_TRUE(parse("type:spaceship").error);
}

}  // namespace
}  // namespace zeph
