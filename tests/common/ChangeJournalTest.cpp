#include <gtest/gtest.h>

#include <vector>

#include "common/ChangeJournal.h"

namespace zeph {
namespace {

TEST(ChangeJournal, RecordsRoundTripAndATornOrBrokenOneIsSkipped) {
    std::string text;
    journal::appendAdded(text, false, "报告 1.txt", "/home/u", 5368709120LL, {1, 2, 3});
    journal::appendRemoved(text, "/home/u/old folder");
    journal::appendAdded(text, true, "新建", "/", 0, {-5, 4102444800LL, 0});
    const std::string complete = text;
    text += "+_bad line without tabs\n-relative/path\n\n+_torn.txt\t/home";  // then a torn record

    std::vector<std::pair<bool, std::string>> read;
    size_t taken = journal::forEachRecord(text, [&](const journal::Record& record) {
        read.emplace_back(record.added, std::string(record.text));
    });
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0],
              std::make_pair(true, std::string("_报告 1.txt\t/home/u\t5368709120\t1\t2\t3")));
    EXPECT_EQ(read[1], std::make_pair(false, std::string("/home/u/old folder")));
    EXPECT_EQ(read[2], std::make_pair(true, std::string("D新建\t/\t0\t-5\t4102444800\t0")));
    // Everything up to the last line feed is taken; the torn record waits.
    EXPECT_EQ(taken, text.rfind('\n') + 1);
    EXPECT_GT(taken, complete.size());
}

}  // namespace
}  // namespace zeph
