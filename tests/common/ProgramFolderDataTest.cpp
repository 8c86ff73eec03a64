#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TempFolder.h"

namespace zeph {
namespace {

std::uint16_t entry(const std::string& table, unsigned code) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(table[2 * code]) |
                                      static_cast<unsigned char>(table[2 * code + 1]) << 8);
}

TEST(TranslationTable, MapsGbkCodesToUtf16Units) {
    std::string table = test::readFile(ZEPH_TEST_TRANSLATION);
    ASSERT_EQ(table.size(), 131072u);
    EXPECT_EQ(entry(table, 'A'), 'A');
    EXPECT_EQ(entry(table, 0x7F), 0x7F);
    EXPECT_EQ(entry(table, 0x80), 0);         // no single-byte character above 0x7F
    EXPECT_EQ(entry(table, 0xB0A1), 0x554A);  // 啊
    EXPECT_EQ(entry(table, 0xD6D0), 0x4E2D);  // 中
    EXPECT_EQ(entry(table, 0x8130), 0);       // start of a four-byte character
    EXPECT_EQ(entry(table, 0x81FF), 0);       // no character
}

TEST(ProgramFolderLayout, BuildAssemblesEverythingTheProgramsNeed) {
    std::filesystem::path folder = ZEPH_TEST_PROGRAM_DIR;
    for (const char* item : {"ZephConfig.sqlite", "Translation.dat", "index", "tmp", "ext",
                             "ZEPHTip.html", "ZEPHHelp.html"})
        EXPECT_TRUE(std::filesystem::exists(folder / item)) << item;
}

}  // namespace
}  // namespace zeph
