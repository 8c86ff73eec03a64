#include <gtest/gtest.h>

#include <fcntl.h>

#include "common/FileIO.h"
#include "common/FileList.h"
#include "tests/support/TempFolder.h"

namespace zeph {
namespace {

TEST(FileListLine, WritesSixtyFourBitNumbersAndReadsThemBack) {
    std::string out;
    appendFileListLine(out, false, "big.iso", "/data", 5368709120LL, {-5, 4102444800LL, 7});
    appendFileListLine(out, true, "报告", "/", 0, {1, 2, 3});
    EXPECT_EQ(out, "_big.iso\t/data\t5368709120\t-5\t4102444800\t7\nD报告\t/\t0\t1\t2\t3\n");

    auto line = parseFileListLine("_big.iso\t/data\t5368709120\t-5\t4102444800\t7");
    ASSERT_TRUE(line);
    EXPECT_FALSE(line->isFolder);
    EXPECT_EQ(line->name, "big.iso");
    EXPECT_EQ(line->folder, "/data");
    EXPECT_EQ(line->numberCount, 4);
    EXPECT_EQ(line->size, 5368709120LL);
    EXPECT_EQ(line->times.created, -5);
    EXPECT_EQ(line->times.modified, 4102444800LL);
}

TEST(FileListLine, RejectsMalformedLines) {
    for (const char* bad :
         {"", "Xname\t/f\t1", "_name\t/f", "_name/f\t1", "_name\t/f\tx\t1", "Dname\t/f\t"})
        EXPECT_FALSE(parseFileListLine(bad)) << bad;
    auto partial = parseFileListLine("Dname\t/f\t12");
    ASSERT_TRUE(partial);
    EXPECT_EQ(partial->numberCount, 1);
    EXPECT_TRUE(breaksFileListLine("a\tb"));
    EXPECT_TRUE(breaksFileListLine("a\rb"));
    EXPECT_FALSE(breaksFileListLine("a b'%\""));
}

TEST(LineReader, ReadsLinesOfAnyLengthWithTheirOffsets) {
    test::TempFolder folder;
    std::string longLine(3'000'000, 'x');
    test::writeFile(folder / "f", "a\n" + longLine + "\n\nlast");
    LineReader reader(openPath((folder / "f").string(), O_RDONLY), 4096);
    std::string_view line;
    std::uint64_t offset = 0;
    std::vector<std::pair<std::string, std::uint64_t>> lines;
    while (reader.next(line, offset) == LineReader::Status::Line) lines.emplace_back(line, offset);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1].first, longLine);
    EXPECT_EQ(lines[1].second, 2u);
    EXPECT_EQ(lines[2].first, "");
    EXPECT_EQ(lines[3], (std::pair<std::string, std::uint64_t>{"last", 3'000'004}));
}

TEST(LineReader, AMissingFileIsAnErrorNotAnEnd) {
    LineReader reader(openPath("/nonexistent/zeph/list", O_RDONLY));
    std::string_view line;
    std::uint64_t offset;
    EXPECT_EQ(reader.next(line, offset), LineReader::Status::Error);
}

TEST(BufferedWriter, AFullDiskIsReportedAtTheLatestWhenFinishing) {
    BufferedWriter writer(openPath("/dev/full", O_WRONLY));
    ASSERT_FALSE(writer.failed());
    EXPECT_TRUE(writer.write("fits in the buffer"));
    EXPECT_FALSE(writer.finish(false));
    EXPECT_TRUE(writer.failed());
}

}  // namespace
}  // namespace zeph
