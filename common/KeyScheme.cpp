#include "KeyScheme.h"

namespace zeph {

std::string lowerBytes(std::string_view text) {
    std::string out(text);
    lowerBytesInPlace(out);
    return out;
}

void lowerBytesInPlace(std::string& text) {
    for (char& c : text) c = lowerByte(c);
}

const std::array<std::uint8_t, 256>& classTable() {
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> t{};
        for (int i = 0; i < 26; ++i) t['a' + i] = t['A' + i] = static_cast<std::uint8_t>(1 + i);
        for (int i = 0; i < 10; ++i) t['0' + i] = static_cast<std::uint8_t>(27 + i);
        t['.'] = 37;
        t['_'] = 38;
        t[0x1E] = 39;
        return t;
    }();
    return table;
}

std::vector<IndexKey> queryKeys(std::string_view token) {
    const std::string lowered = lowerBytes(token);
    const auto& cls = classTable();
    const size_t n = lowered.size();
    auto at = [&](size_t i) { return i < n ? static_cast<unsigned char>(lowered[i]) : 0u; };

    std::vector<IndexKey> keys;
    bool previousIsTrail = false;  // the byte before i ends a double-byte character
    size_t i = 0;
    while (i < n) {
        unsigned b = at(i);
        if (b >= 0x80) {
            // A lead byte ending the token may begin any character of a
            // name: it narrows nothing.
            if (i + 1 < n) keys.push_back({KeyTable::Character, b * 256u + at(i + 1)});
            i += 2;
            previousIsTrail = true;
            continue;
        }
        int c = cls[b], d = cls[at(i + 1)];
        // The indexer never starts a pair at the second byte of a double-byte
        // character, so such a byte counts as unclassed here.
        int p = (i == 0 || previousIsTrail) ? 0 : cls[at(i - 1)];
        if (c && d) {
            keys.push_back({KeyTable::Pair, static_cast<std::uint32_t>(pairKey(c, d))});
            i += 2;
        } else if (p && c) {
            keys.push_back({KeyTable::Pair, static_cast<std::uint32_t>(pairKey(p, c))});
            i += 1;
        } else {
            keys.push_back({KeyTable::Character, b});
            i += 1;
        }
        previousIsTrail = false;
    }
    return keys;
}

Suffix nameSuffix(std::string_view name) {
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    return {true, name.substr(dot + 1)};
}

std::vector<std::string> tokenize(std::string_view text) {
    std::vector<std::string> tokens;
    size_t i = 0;
    auto isSeparator = [](char c) {
        return c == ' ' || c == ',' || c == '\t' || c == '\n' || c == '\r';
    };
    while (i < text.size()) {
        while (i < text.size() && isSeparator(text[i])) ++i;
        size_t start = i;
        while (i < text.size() && !isSeparator(text[i])) ++i;
        if (i > start) tokens.emplace_back(text.substr(start, i - start));
    }
    return tokens;
}

}  // namespace zeph
