// Held names: every name of a few bytes that are escapes or parts of them
// (TAB, backslash, 't', 'x', hex digits, a byte of no encoding, a Chinese
// character in UTF-8) is held in a form no other name has, and a held form
// without escapes is the name's own UTF-8.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "common/Codec.h"
#include "common/EntryNames.h"

namespace zeph {
namespace {

TEST(EntryNames, NoTwoNamesShareAHeldForm) {
    const std::vector<std::string> pieces = {"\t", "\\", "t", "x", "F", "\n", "\xFF", "\xE6\x8A\xA5"};
    std::map<std::string, std::string> byHeld;
    std::vector<std::string> names = {""};
    for (int length = 1; length <= 4; ++length) {
        std::vector<std::string> longer;
        for (const std::string& name : names)
            for (const std::string& piece : pieces) longer.push_back(name + piece);
        for (const std::string& name : longer) {
            std::string held = indexedName(name);
            auto [place, fresh] = byHeld.emplace(held, name);
            EXPECT_TRUE(fresh) << "'" << name << "' and '" << place->second << "' are both held as '"
                               << held << "'";
            if (!isEscapedName(held)) {
                EXPECT_EQ(toUtf8(held).value_or(""), name);
            }
        }
        names = std::move(longer);
    }
}

}  // namespace
}  // namespace zeph
