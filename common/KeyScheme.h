// The index keys: how a name is cut into character, pair and suffix keys.
// The indexer stores every key of a name; the query side forms the fewest keys
// that every matching name must hold. Both live here so they always meet.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zeph {

// Byte-wise lower-casing: 'A'-'Z' become 'a'-'z', every byte alike, the second
// bytes of double-byte characters included. Both programs fold names this way.
inline char lowerByte(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
std::string lowerBytes(std::string_view text);
void lowerBytesInPlace(std::string& text);

// Class of a byte for the pair keys: letters 1-26 (either case), digits 27-36,
// '.' 37, '_' 38, the byte 0x1E 39, everything else 0.
const std::array<std::uint8_t, 256>& classTable();
inline int byteClass(unsigned char b) {
    return classTable()[b];
}
inline int pairKey(int firstClass, int secondClass) {
    return (firstClass - 1) * 40 + secondClass;
}

enum class KeyTable : std::uint8_t { Character, Pair };

struct IndexKey {
    KeyTable table;
    std::uint32_t key;
    auto operator<=>(const IndexKey&) const = default;
};

// Every key of a lower-cased name, in the order the walk meets them (repeats included):
// each single byte, each double-byte character, and each adjacent classed pair that
// does not start at the second byte of a double-byte character.
template <class Sink>
void forEachNameKey(std::string_view lowered, Sink&& sink) {
    const auto& cls = classTable();
    const size_t n = lowered.size();
    size_t p = 0;
    while (p < n) {
        auto b = static_cast<unsigned char>(lowered[p]);
        if (b >= 0x80) {
            // A lead byte at the very end forms its key with the terminator.
            auto trail = p + 1 < n ? static_cast<unsigned char>(lowered[p + 1]) : 0u;
            sink(KeyTable::Character, static_cast<std::uint32_t>(b * 256u + trail));
            p += 2;
            continue;
        }
        sink(KeyTable::Character, b);
        if (p + 1 < n) {
            int c = cls[b], d = cls[static_cast<unsigned char>(lowered[p + 1])];
            if (c && d) sink(KeyTable::Pair, static_cast<std::uint32_t>(pairKey(c, d)));
        }
        ++p;
    }
}

// The keys a query token is looked up by. The token is lower-cased here, so the
// keys meet the lower-casing indexer whatever the case option says.
std::vector<IndexKey> queryKeys(std::string_view token);

// Suffix of a name: the bytes after its last '.', unless that dot is the first
// byte; hasSuffix is false when there is no such dot.
struct Suffix {
    bool hasSuffix = false;
    std::string_view text;
};
Suffix nameSuffix(std::string_view name);

// Tokens of a name query: cut at space, comma, tab, line feed and carriage return.
std::vector<std::string> tokenize(std::string_view text);

}  // namespace zeph
