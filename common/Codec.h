// Conversion between the system's UTF-8 and the GBK (GB18030) bytes the
// programs hold. GB18030 round-trips every Unicode character.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zeph {

// nullopt when the input is not valid in its encoding. Pure ASCII passes through.
std::optional<std::string> toGbk(std::string_view utf8);
std::optional<std::string> toUtf8(std::string_view gbk);

// For showing text: invalid sequences become U+FFFD instead of failing.
std::string toUtf8Lossy(std::string_view gbk);

// UTF-16 text (little- or big-endian) as UTF-8; invalid units become U+FFFD.
std::string utf16ToUtf8Lossy(std::string_view bytes, bool bigEndian);
// Whether the bytes are UTF-8 (lead and continuation bytes in order).
bool isUtf8(std::string_view text);
// The text with every byte that starts no UTF-8 character replaced by U+FFFD.
std::string repairedUtf8(std::string_view text);

// A GBK path as the operating system wants it (UTF-8); "" when it has no UTF-8 form.
std::string osPath(std::string_view gbkPath);

inline bool isAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace zeph
