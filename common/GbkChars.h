// Characters of GBK text as the programs hold it (GB18030 bytes): one byte
// below 0x80, two bytes from a lead byte 0x81-0xFE, four bytes when the second
// byte is a digit (the four-byte GB18030 form). Matching a token inside a name
// must start at a character, never inside one: the bytes of a double-byte
// character can occur straddling two others.
#pragma once

#include <cstddef>
#include <string_view>

namespace zeph {

// Length of the character starting at pos (1, 2 or 4); a cut last character
// counts as what is left of it.
inline size_t characterLength(std::string_view text, size_t pos) {
    auto at = [&](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
    unsigned lead = at(pos);
    if (lead < 0x81 || lead == 0xFF) return 1;
    unsigned second = at(pos + 1);
    if (second >= '0' && second <= '9' && at(pos + 2) >= 0x81 && at(pos + 2) != 0xFF &&
        at(pos + 3) >= '0' && at(pos + 3) <= '9')
        return 4;
    return pos + 1 < text.size() ? 2 : 1;
}

// Position of the first occurrence of token in text that starts at a
// character, or npos.
inline size_t findAtCharacter(std::string_view text, std::string_view token, size_t from = 0) {
    size_t character = 0;  // start of a character at or after which every match must begin
    for (size_t pos = text.find(token, from); pos != std::string_view::npos;
         pos = text.find(token, character)) {
        while (character < pos) character += characterLength(text, character);
        if (character == pos) return pos;
    }
    return std::string_view::npos;
}

}  // namespace zeph
