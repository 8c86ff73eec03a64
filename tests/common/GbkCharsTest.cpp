#include <gtest/gtest.h>

#include "common/GbkChars.h"

namespace zeph {
namespace {

TEST(GbkChars, TokensAreFoundOnlyWhereACharacterStarts) {
    struct Case {
        std::string text, token;
        size_t expected;
    };
    const size_t none = std::string_view::npos;
    const std::string fourByte = "\x94\x39\xFC\x36";  // a GB18030 four-byte character
    const Case cases[] = {
        {"中文是-形-氖.txt", "形氖", none},  // D0CE C4CA straddles 中|文|是
        {"形氖.txt", "形氖", 0},
        {"中文是形氖", "形氖", 6},  // a straddling match first, the real one after it
        {"中文是", "文是", 2},
        {"乤x", "x", 2},  // 0x81 0x61: its second byte is a letter
        {"乤a", "a", 2},  // the 'a' inside 乤 is no match
        {"x" + fourByte + "9", "9", 5},
        {fourByte, "9", none},
        {"abc", "", 0},
        {"ab\x81", "\x81", 2},  // a cut last character is still a character
    };
    for (const Case& c : cases)
        EXPECT_EQ(findAtCharacter(c.text, c.token), c.expected) << c.text << " / " << c.token;
}

TEST(GbkChars, CharacterLengths) {
    EXPECT_EQ(characterLength("a", 0), 1u);
    EXPECT_EQ(characterLength("中", 0), 2u);
    EXPECT_EQ(characterLength("\x94\x39\xFC\x36", 0), 4u);
    EXPECT_EQ(characterLength("\x94\x39\xFC", 0), 2u);  // no fourth byte: a pair
    EXPECT_EQ(characterLength("\x80", 0), 1u);
    EXPECT_EQ(characterLength("\xFF\x41", 0), 1u);
}

}  // namespace
}  // namespace zeph
