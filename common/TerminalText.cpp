#include "TerminalText.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <memory>

#include "Codec.h"

namespace zeph {

namespace {

enum class Charset { Utf8, Gbk, Other };

// The locale's character set. A "C" locale reads ASCII; such a program is
// most often run in a UTF-8 terminal by a script, so it gets UTF-8.
struct LocaleCharset {
    Charset kind = Charset::Utf8;
    std::string name;
};

const LocaleCharset& localeCharset() {
    static const LocaleCharset charset = [] {
        LocaleCharset found;
        // Read the environment's LC_CTYPE without changing the program's own.
        locale_t environment = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
        if (!environment) return found;
        found.name = ::nl_langinfo_l(CODESET, environment);
        ::freelocale(environment);
        const std::string& n = found.name;
        if (n == "GBK" || n == "GB18030" || n == "GB2312" || n == "EUC-CN")
            found.kind = Charset::Gbk;
        else if (n != "UTF-8" && n != "ANSI_X3.4-1968" && n != "ASCII" && !n.empty())
            found.kind = Charset::Other;
        return found;
    }();
    return charset;
}

// UTF-8 into another character set; what it cannot show becomes '?'.
std::string convertUtf8(std::string_view utf8, const std::string& charset) {
    iconv_t raw = ::iconv_open((charset + "//TRANSLIT").c_str(), "UTF-8");
    if (raw == reinterpret_cast<iconv_t>(-1)) return std::string(utf8);
    std::unique_ptr<void, int (*)(iconv_t)> cd(raw, ::iconv_close);
    std::string out;
    std::string in(utf8);
    char* inPtr = in.data();
    size_t inLeft = in.size();
    std::string chunk(4 * in.size() + 16, '\0');
    while (inLeft > 0) {
        char* outPtr = chunk.data();
        size_t outLeft = chunk.size();
        size_t done = ::iconv(raw, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(chunk.data(), chunk.size() - outLeft);
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {
            out += '?';  // a character the set lacks, or a broken sequence
            ++inPtr;
            --inLeft;
            while (inLeft > 0 && (static_cast<unsigned char>(*inPtr) & 0xC0) == 0x80) {
                ++inPtr;
                --inLeft;
            }
        }
    }
    return out;
}

}  // namespace

std::string terminalTextFromGbk(std::string_view gbk) {
    const LocaleCharset& charset = localeCharset();
    if (charset.kind == Charset::Gbk || isAscii(gbk)) return std::string(gbk);
    std::string utf8 = toUtf8Lossy(gbk);
    return charset.kind == Charset::Utf8 ? utf8 : convertUtf8(utf8, charset.name);
}

std::string terminalTextFromUtf8(std::string_view utf8) {
    const LocaleCharset& charset = localeCharset();
    if (charset.kind == Charset::Utf8 || isAscii(utf8)) return repairedUtf8(utf8);
    return convertUtf8(repairedUtf8(utf8), charset.kind == Charset::Gbk ? "GB18030" : charset.name);
}

}  // namespace zeph
