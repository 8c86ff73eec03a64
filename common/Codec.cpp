#include "Codec.h"

#include <iconv.h>

#include <cerrno>

namespace zeph {

namespace {

// One iconv descriptor per direction and thread: descriptors keep shift state
// and must not be shared between threads.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of input; on an invalid sequence either fails or, when
    // replacement is given, emits it and skips one byte.
    std::optional<std::string> convert(std::string_view input, std::string_view replacement = {}) {
        if (m_cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        std::string out(input.size() * 2 + 16, '\0');
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        size_t used = 0;
        while (inLeft > 0) {
            char* dst = out.data() + used;
            size_t outLeft = out.size() - used;
            size_t rc = iconv(m_cd, &in, &inLeft, &dst, &outLeft);
            used = out.size() - outLeft;
            if (rc != static_cast<size_t>(-1)) break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
            } else if (!replacement.empty()) {  // EILSEQ or EINVAL (cut sequence)
                out.replace(used, 0, replacement);
                used += replacement.size();
                if (used + 8 > out.size()) out.resize(out.size() * 2);
                ++in;
                --inLeft;
                iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            } else {
                return std::nullopt;
            }
        }
        out.resize(used);
        return out;
    }

private:
    iconv_t m_cd;
};

Converter& toGbkConverter() {
    thread_local Converter converter("GB18030", "UTF-8");
    return converter;
}

Converter& toUtf8Converter() {
    thread_local Converter converter("UTF-8", "GB18030");
    return converter;
}

}  // namespace

std::optional<std::string> toGbk(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    return toGbkConverter().convert(utf8);
}

std::optional<std::string> toUtf8(std::string_view gbk) {
    if (isAscii(gbk)) return std::string(gbk);
    return toUtf8Converter().convert(gbk);
}

std::string toUtf8Lossy(std::string_view gbk) {
    if (isAscii(gbk)) return std::string(gbk);
    return toUtf8Converter().convert(gbk, "\xEF\xBF\xBD").value_or(std::string());
}

std::string utf16ToUtf8Lossy(std::string_view bytes, bool bigEndian) {
    thread_local Converter little("UTF-8", "UTF-16LE"), big("UTF-8", "UTF-16BE");
    return (bigEndian ? big : little).convert(bytes, "\xEF\xBF\xBD").value_or(std::string());
}

namespace {

// Length of the UTF-8 character at i, or 0 when no valid one starts there.
size_t utf8Length(std::string_view text, size_t i) {
    auto lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80         ? 1
                    : (lead >> 5) == 6  ? 2
                    : (lead >> 4) == 14 ? 3
                    : (lead >> 3) == 30 ? 4
                                        : 0;
    if (length == 0 || i + length > text.size() || (length == 2 && lead < 0xC2)) return 0;
    for (size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
    return length;
}

}  // namespace

bool isUtf8(std::string_view text) {
    for (size_t i = 0, length; i < text.size(); i += length)
        if ((length = utf8Length(text, i)) == 0) return false;
    return true;
}

std::string repairedUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t length = utf8Length(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string osPath(std::string_view gbkPath) {
    return toUtf8(gbkPath).value_or(std::string());
}

}  // namespace zeph
