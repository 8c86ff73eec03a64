#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "common/Codec.h"
#include "search/engine/ContentSearch.h"
#include "tests/engine/EngineFixture.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

class ContentSearchTest : public ::testing::Test {
protected:
    std::int64_t find(const std::string& text, const std::string& fileBytes,
                      bool caseSensitive = true) {
        writeFile(folder / "f.bin", fileBytes);
        CContentSearch search(program.str());
        search.SetPattern(text, caseSensitive);
        return search.SearchFile((folder / "f.bin").string());
    }
    std::string utf16(const std::string& gbk) {
        std::string utf8 = *toUtf8(gbk), out;
        std::u32string chars;
        for (size_t i = 0; i < utf8.size();) {
            unsigned char c = utf8[i];
            int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            char32_t cp = len == 1 ? c : c & (0xFF >> (len + 1));
            for (int k = 1; k < len; ++k) cp = cp << 6 | (utf8[i + k] & 0x3F);
            out += static_cast<char>(cp & 0xFF);
            out += static_cast<char>(cp >> 8);
            i += len;
        }
        return out;
    }

    ScriptedMessages messages;
    ProgramFolder program;
    TempFolder folder;
};

TEST_F(ContentSearchTest, FindsEveryFormOfTheText) {
    for (std::string text :
         {std::string("zephyrquill"), std::string("蓝鲸数据"), std::string("报告 v2")}) {
        std::string filler(1000, 'q');
        EXPECT_GE(find(text, filler + text + filler), 0) << "GBK " << text;
        EXPECT_GE(find(text, filler + *toUtf8(text) + filler), 0) << "UTF-8 " << text;
        EXPECT_GE(find(text, "\xFF\xFE" + utf16(filler + text)), 0) << "UTF-16 " << text;
        EXPECT_EQ(find(text, filler + filler), -1) << text;
    }
    EXPECT_EQ(find("ABC", "xxabcxx"), -1);  // no case folding
    EXPECT_EQ(find("abc", "ab"), -1);       // file shorter than the text
    EXPECT_EQ(find("a", "xxxa"), 3);
}

TEST_F(ContentSearchTest, CharactersBeyondTwoBytesAreFoundAsSurrogatePairs) {
    // 😀 is a four-byte GB18030 character; in UTF-16LE it is D83D DE00.
    const std::string text = "x😀";
    const std::string pair("x\0\x3D\xD8\x00\xDE", 6);
    EXPECT_GE(find(text, "\xFF\xFE" + pair + std::string("y\0", 2)), 0);
    EXPECT_GE(find(text, "..." + *toUtf8(text) + "..."), 0);
    EXPECT_EQ(find(text, "\xFF\xFE" + std::string("x\0\x3D\xD8", 4)), -1);
    EXPECT_GE(find("中", utf16("一中")), 0);  // two-byte characters still come from the table
}

TEST_F(ContentSearchTest, GbkTextMatchesOnlyWholeCharacters) {
    // 形氖 is D0CE C4CA: in 中文是 (D6D0 CEC4 CAC7) its bytes straddle three characters.
    EXPECT_EQ(find("形氖", "log: 中文是 end"), -1);
    EXPECT_GE(find("形氖", "log: 中文是形氖 end"), 0);
    // The file's start is a character's start: 袄毒ā (B0C0 B6BE A8A1) holds
    // the bytes of 蓝鲸 (C0B6 BEA8) with nothing but Chinese bytes before them,
    // in the first chunk and in one where the run began chunks before.
    EXPECT_EQ(find("蓝鲸", "袄毒ā"), -1);
    std::string longRun;
    while (longRun.size() < 2 * CContentSearch::kChunkSize + 10) longRun += "啊";
    EXPECT_EQ(find("蓝鲸", longRun + "袄毒ā"), -1);
    EXPECT_GE(find("蓝鲸", longRun + "蓝鲸"), 0);
    EXPECT_GE(find("蓝鲸", "x" + longRun + "蓝鲸"), 0);
    // ASCII text is also its UTF-8 form, so it matches after any bytes: in a
    // UTF-8 file 中 is three bytes at or above 0x81.
    EXPECT_GE(find("ax", *toUtf8("中ax")), 0);
}

TEST_F(ContentSearchTest, AMatchStraddlingChunksIsFoundForEveryForm) {
    const size_t chunk = CContentSearch::kChunkSize;
    const std::string text = "蓝鲸数据";
    for (std::string form : {text, *toUtf8(text), utf16(text)}) {
        for (size_t before : {size_t{1}, form.size() / 2, form.size() - 1}) {
            std::string bytes(chunk - before, 'x');
            bytes += form;
            bytes += std::string(100, 'x');
            EXPECT_GE(find(text, bytes), 0) << form.size() << " " << before;
        }
    }
}

TEST_F(ContentSearchTest, AWindowHoldingTheLookedForByteButOtherBytesIsNoMatch) {
    // Windows that hold the text's rarest byte ('b') where the text has it,
    // and share bytes with it, are nominated; only the byte comparison refuses them.
    EXPECT_EQ(find("abcd", "xxxbQcdxx"), -1);
    EXPECT_EQ(find("abcd", "xbbcdxabcxx"), -1);
    EXPECT_EQ(find("abcd", "xxxabcdxx"), 6);
}

TEST_F(ContentSearchTest, OnlyRegularFilesAreRead) {
    CContentSearch search(program.str());
    search.SetPattern("needle");
    std::string fifo = (folder / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    UniqueFd writer(::open(fifo.c_str(), O_RDWR));  // a writer that never writes
    EXPECT_EQ(search.SearchFile(fifo), -1);
    writeFile(folder / "real.txt", "a needle here");
    fs::create_symlink("real.txt", folder / "link.txt");
    fs::create_symlink("fifo", folder / "fifolink");
    EXPECT_GE(search.SearchFile((folder / "link.txt").string()), 0);
    EXPECT_EQ(search.SearchFile((folder / "fifolink").string()), -1);
    EXPECT_EQ(search.SearchFile(folder.str()), -1);
    EXPECT_EQ(search.SearchFile("/dev/zero"), -1);
    EXPECT_EQ(search.SearchFile((folder / "missing").string()), -1);
}

// Without case, ASCII and full-width letters match in either case in every
// encoding a file may hold; with it, only as typed. A byte of a double-byte character that
// happens to be a letter's is never taken for one.
TEST_F(ContentSearchTest, CaseCountsOnlyWhenAskedInEveryEncoding) {
    const std::string gbk = "年度报告 Configure the macOS build 全角Ｗｉｄｅ";  // GBK literal
    for (const std::string& bytes : {gbk, *toUtf8(gbk), std::string("\xFF\xFE") + utf16(gbk)}) {
        EXPECT_GE(find("ｗＩＤＥ", bytes, false), 0);
        EXPECT_EQ(find("ｗＩＤＥ", bytes, true), -1);
        EXPECT_EQ(find("wide", bytes, false), -1);  // another character, in any case
        EXPECT_GE(find("configure", bytes, false), 0);
        EXPECT_GE(find("MACOS", bytes, false), 0);
        EXPECT_GE(find("报告 configure", bytes, false), 0);
        EXPECT_EQ(find("configure", bytes, true), -1);
        EXPECT_GE(find("Configure", bytes, true), 0);
    }
    // 長 is E9 4C: 4C is 'L'. A file holding E9 6C ('l') holds another character.
    EXPECT_EQ(find("長", "\xE9\x6C", false), -1);
    EXPECT_GE(find("長", "\xE9\x4C", false), 0);
}

TEST_F(ContentSearchTest, SparseHolesAreSkippedWithoutJoiningTheirSides) {
    CContentSearch search(program.str());
    search.SetPattern("a一");  // its UTF-16 form is 'a' 0 0 0x4E: it holds zeros
    auto sparse = [&](const std::string& head, std::int64_t hole, const std::string& tail) {
        std::string path = (folder / "sparse.bin").string();
        UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
        EXPECT_EQ(::pwrite(fd.get(), head.data(), head.size(), 0),
                  static_cast<ssize_t>(head.size()));
        EXPECT_EQ(
            ::pwrite(fd.get(), tail.data(), tail.size(), static_cast<off_t>(head.size() + hole)),
            static_cast<ssize_t>(tail.size()));
        return search.SearchFile(path);
    };
    EXPECT_EQ(sparse("xa", 64 << 20, "\x4Ey"), -1);
    EXPECT_GE(sparse("x", 64 << 20, std::string("a\0\0\x4E", 4)), 0);
    EXPECT_GE(sparse("xa", 2, "\x4E"), 0);  // a short hole is real zeros
    EXPECT_GE(sparse("x", 3LL << 30, "a一"), 0);
}

TEST_F(ContentSearchTest, StopEndsAFileBetweenChunks) {
    CContentSearch search(program.str());
    search.SetPattern("needle");
    writeFile(folder / "big.txt", std::string(3 * CContentSearch::kChunkSize, 'x') + "needle");
    std::atomic<bool> stop{true};
    EXPECT_EQ(search.SearchFile((folder / "big.txt").string(), &stop), -1);
    stop = false;
    EXPECT_GE(search.SearchFile((folder / "big.txt").string(), &stop), 0);
}

TEST_F(ContentSearchTest, TooLongTextIsRefusedWithItsLimitInCharacters) {
    EXPECT_FALSE(CContentSearch::refusal(std::string(150, 'a')));
    EXPECT_FALSE(CContentSearch::refusal(std::string(75 * 2, '\0').replace(0, 300, "数")));
    std::string chinese;
    for (int i = 0; i < 150; ++i) chinese += "数";
    EXPECT_FALSE(CContentSearch::refusal(chinese));
    auto refused = CContentSearch::refusal(chinese + "x");
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->find("150"), std::string::npos);
}

TEST_F(ContentSearchTest, MissingOrShortTranslationTableEndsTheProgram) {
    struct Case {
        std::string table;
        int code;
    };
    for (const auto& c : {Case{"", -2}, Case{std::string(1000, '\0'), 2}}) {
        fs::remove(program / "Translation.dat");
        if (!c.table.empty()) writeFile(program / "Translation.dat", c.table);
        CContentSearch search(program.str());
        try {
            search.SetPattern("x");
            ADD_FAILURE() << "went on";
        } catch (const ProcessExit& exit) {
            EXPECT_EQ(exit.code, c.code);
        }
    }
    EXPECT_EQ(messages.shown.size(), 2u);  // also shown, not only printed
}

using ContentInSearch = EngineFixture;

TEST_F(ContentInSearch, ContentNarrowsToRegisteredFilesHoldingTheText) {
    writeFile(tree / "hit.txt", "alpha zephyrquill omega");
    writeFile(tree / "hit.md", *toUtf8("内容：蓝鲸数据 zephyrquill"));
    writeFile(tree / "miss.txt", "alpha omega");
    writeFile(tree / "noext", "zephyrquill");
    writeFile(tree / "odd.zzzz", "zephyrquill");
    fs::create_directory(tree / "zephyrquill.txt");
    indexAndLoad();
    SearchCriteria c = criteria();
    c.content = "zephyrquill";
    auto got = search(c);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::string>{at("hit.md"), at("hit.txt")}));
    c.content = "蓝鲸数据";
    EXPECT_EQ(search(c), std::vector<std::string>{at("hit.md")});
    c.name = "hit";
    c.content = std::string(151, 'z');
    int outcome = 0;
    search(c, &outcome);
    EXPECT_EQ(outcome, kSearchRefused);
    EXPECT_EQ(messages.shown.back().caption, "查询条件过长");
}

}  // namespace
}  // namespace zeph::test
