// Build step: writes Translation.dat, 65,536 two-byte entries. Entry k is the
// UTF-16LE code unit of the character whose GBK code is k (a byte below 0x80
// maps to itself; a code that is no GBK character maps to 0).
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

std::uint16_t utf16Of(iconv_t cd, unsigned lead, unsigned trail) {
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    char out[8];
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = 2, outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return 0;
    if (inLeft != 0 || sizeof out - outLeft != 2) return 0;  // not one BMP code unit
    return static_cast<std::uint16_t>(static_cast<unsigned char>(out[0]) |
                                      static_cast<unsigned char>(out[1]) << 8);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_translation OUTPUT\n");
        return 2;
    }
    iconv_t cd = iconv_open("UTF-16LE", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::perror("make_translation: iconv_open");
        return 1;
    }
    std::vector<unsigned char> table(65536 * 2, 0);
    for (unsigned code = 0; code < 65536; ++code) {
        std::uint16_t unit = code < 0x80 ? code : 0;
        if (code >= 0x8100) unit = utf16Of(cd, code >> 8, code & 0xFF);
        table[2 * code] = static_cast<unsigned char>(unit);
        table[2 * code + 1] = static_cast<unsigned char>(unit >> 8);
    }
    iconv_close(cd);
    FILE* out = std::fopen(argv[1], "wb");
    bool ok = out && std::fwrite(table.data(), 1, table.size(), out) == table.size();
    if (out && std::fclose(out) != 0) ok = false;
    if (!ok) {
        std::perror("make_translation");
        return 1;
    }
    return 0;
}
