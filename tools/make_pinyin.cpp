// Build step: writes Pinyin.dat (layout in common/PinyinTable.h) from the
// Unihan files of the Unicode Character Database (Debian's unicode-data):
// every GBK character's readings - those of today's standard (kMandarin,
// kTGHZ2013), or, for a character they leave out, the historical dictionary's
// (kHanyuPinyin, which also lists readings long out of use: 客 qia, 件 mou,
// that would let "q" find 客户); a traditional character also by the
// readings of its simplified form; tones and the u-umlaut taken off - and its
// simplified form.
//   usage: make_pinyin UNIHAN_READINGS UNIHAN_VARIANTS OUTPUT
// (either input may be bzip2-compressed, as Debian ships them)
#include <bzlib.h>
#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string readText(const char* path) {
    std::string name(path);
    if (name.size() > 4 && name.substr(name.size() - 4) == ".bz2") {
        FILE* file = std::fopen(path, "rb");
        if (!file) return {};
        int error = 0;
        BZFILE* bz = BZ2_bzReadOpen(&error, file, 0, 0, nullptr, 0);
        std::string text;
        char buffer[65536];
        while (error == BZ_OK) {
            int n = BZ2_bzRead(&error, bz, buffer, sizeof buffer);
            if (n > 0) text.append(buffer, static_cast<size_t>(n));
        }
        BZ2_bzReadClose(&error, bz);
        std::fclose(file);
        return text;
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// The GBK code of a code point (0 when it has no two-byte GBK form).
std::uint16_t gbkOf(iconv_t cd, char32_t point) {
    char in[4] = {static_cast<char>(point & 0xFF), static_cast<char>(point >> 8 & 0xFF),
                  static_cast<char>(point >> 16 & 0xFF), 0};
    char out[8];
    char *inPtr = in, *outPtr = out;
    size_t inLeft = 4, outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return 0;
    if (sizeof out - outLeft != 2) return 0;
    auto lead = static_cast<unsigned char>(out[0]), trail = static_cast<unsigned char>(out[1]);
    if (lead < 0x81 || (trail >= '0' && trail <= '9')) return 0;
    return static_cast<std::uint16_t>(lead << 8 | trail);
}

// A pinyin syllable as typed: lower-case ASCII, ü as v, no tones.
std::string plain(const std::string& syllable) {
    static const std::map<std::string, char> marks = {
        {"ā", 'a'}, {"á", 'a'}, {"ǎ", 'a'}, {"à", 'a'}, {"ē", 'e'}, {"é", 'e'}, {"ě", 'e'},
        {"è", 'e'}, {"ê", 'e'}, {"ī", 'i'}, {"í", 'i'}, {"ǐ", 'i'}, {"ì", 'i'}, {"ō", 'o'},
        {"ó", 'o'}, {"ǒ", 'o'}, {"ò", 'o'}, {"ū", 'u'}, {"ú", 'u'}, {"ǔ", 'u'}, {"ù", 'u'},
        {"ü", 'v'}, {"ǖ", 'v'}, {"ǘ", 'v'}, {"ǚ", 'v'}, {"ǜ", 'v'}, {"ḿ", 'm'}, {"ń", 'n'},
        {"ň", 'n'}, {"ǹ", 'n'}, {"m̄", 'm'}, {"ê̄", 'e'}, {"ế", 'e'}, {"ê̌", 'e'}, {"ề", 'e'}};
    std::string out;
    for (size_t i = 0; i < syllable.size();) {
        unsigned char c = static_cast<unsigned char>(syllable[i]);
        if (c < 0x80) {
            if (c >= 'a' && c <= 'z') out += static_cast<char>(c);
            else if (c >= 'A' && c <= 'Z') out += static_cast<char>(c + 32);
            ++i;
            continue;
        }
        bool found = false;
        for (size_t length : {3u, 2u})  // a letter with a combining mark, then one precomposed
            if (auto it = marks.find(syllable.substr(i, length)); it != marks.end()) {
                out += it->second;
                i += length;
                found = true;
                break;
            }
        if (!found) {  // a combining mark on its own: dropped
            ++i;
            while (i < syllable.size() && (static_cast<unsigned char>(syllable[i]) & 0xC0) == 0x80) ++i;
        }
    }
    return out;
}

char32_t pointOf(const std::string& field) {  // "U+4E50"
    return static_cast<char32_t>(std::stoul(field.substr(2), nullptr, 16));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_pinyin UNIHAN_READINGS UNIHAN_VARIANTS OUTPUT\n");
        return 2;
    }
    iconv_t cd = iconv_open("GB18030", "UTF-32LE");
    std::map<std::uint16_t, std::vector<std::string>> readings, historical;
    std::istringstream lines(readText(argv[1]));
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string point, key, value;
        std::getline(fields, point, '\t');
        std::getline(fields, key, '\t');
        std::getline(fields, value);
        if (point.size() < 3 || point.compare(0, 2, "U+") != 0) continue;
        if (key != "kMandarin" && key != "kHanyuPinyin" && key != "kTGHZ2013") continue;
        std::uint16_t code = gbkOf(cd, pointOf(point));
        if (!code) continue;
        // "lè", "10589.120:gào,jū,gù", "212.030:lè 453.020:yuè"
        std::istringstream parts(value);
        for (std::string part; parts >> part;) {
            size_t colon = part.find(':');
            std::istringstream syllables(colon == std::string::npos ? part : part.substr(colon + 1));
            for (std::string syllable; std::getline(syllables, syllable, ',');) {
                std::string reading = plain(syllable);
                auto& list = key == "kHanyuPinyin" ? historical[code] : readings[code];
                if (!reading.empty() && std::find(list.begin(), list.end(), reading) == list.end())
                    list.push_back(reading);
            }
        }
    }
    std::map<std::uint16_t, std::uint16_t> simplified;
    std::istringstream variants(readText(argv[2]));
    for (std::string line; std::getline(variants, line);) {
        std::istringstream fields(line);
        std::string point, key, value;
        std::getline(fields, point, '\t');
        std::getline(fields, key, '\t');
        std::getline(fields, value);
        if (point.size() < 3 || point.compare(0, 2, "U+") != 0 || key != "kSimplifiedVariant") continue;
        std::uint16_t from = gbkOf(cd, pointOf(point));
        std::istringstream targets(value);
        std::string first;
        targets >> first;
        std::uint16_t to = first.size() > 2 ? gbkOf(cd, pointOf(first)) : 0;
        if (from && to && from != to) simplified[from] = to;
    }
    iconv_close(cd);
    // Today's standard lists simplified characters only: a traditional one
    // (長, given zhang alone) reads as its simplified form does (长 chang, zhang).
    for (const auto& [from, to] : simplified) {
        auto& list = readings[from];
        for (const std::string& reading : readings[to])
            if (std::find(list.begin(), list.end(), reading) == list.end()) list.push_back(reading);
    }
    for (auto& [code, list] : historical)
        if (readings[code].empty()) readings[code] = std::move(list);

    std::string pool(1, '\0');
    std::vector<std::uint32_t> offsets(65536, 0);
    std::map<std::string, std::uint32_t> syllables;  // each distinct reading: where it first is
    std::vector<std::uint16_t> byLetter[26];
    for (const auto& [code, list] : readings) {
        offsets[code] = static_cast<std::uint32_t>(pool.size());
        bool seen[26] = {};
        for (size_t i = 0; i < list.size(); ++i) {
            if (i) pool += ',';
            syllables.emplace(list[i], static_cast<std::uint32_t>(pool.size()));
            pool += list[i];
            int letter = list[i][0] - 'a';
            if (code >= 0x8100 && letter >= 0 && letter < 26 && !seen[letter]) {
                seen[letter] = true;
                byLetter[letter].push_back(code);
            }
        }
        pool += '\0';
    }
    std::string out = "ZPY2";
    auto put32 = [&](std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>(value >> shift & 0xFF);
    };
    auto put16 = [&](std::uint16_t value) {
        out += static_cast<char>(value & 0xFF);
        out += static_cast<char>(value >> 8);
    };
    for (std::uint32_t offset : offsets) put32(offset);
    for (size_t code = 0; code < 65536; ++code) {
        auto it = simplified.find(static_cast<std::uint16_t>(code));
        put16(it == simplified.end() ? 0 : it->second);
    }
    for (const auto& codes : byLetter) put32(static_cast<std::uint32_t>(codes.size()));
    for (const auto& codes : byLetter)
        for (std::uint16_t code : codes) put16(code);
    put32(static_cast<std::uint32_t>(syllables.size()));
    for (const auto& [reading, offset] : syllables) put32(offset);
    out += pool;
    std::ofstream(argv[3], std::ios::binary).write(out.data(), static_cast<std::streamsize>(out.size()));
    std::fprintf(stderr, "Pinyin.dat: %zu characters with readings, %zu simplified forms\n",
                 readings.size(), simplified.size());
    return readings.empty() ? 1 : 0;
}
