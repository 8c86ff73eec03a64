// Name texts and names of any bytes, with pinyin: a name the test passes holds
// the keys the engine narrows the candidates by (for each narrowing term, a
// key of every group of one of its ways), or the index would hide it.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "common/GbkChars.h"
#include "common/KeyScheme.h"
#include "common/NameMatcher.h"
#include "common/PinyinTable.h"

// Names as the index holds them, and texts as typed: GB18030, whole characters.
static bool wellFormed(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        auto lead = static_cast<unsigned char>(text[at]);
        size_t length = zeph::characterLength(text, at);
        if (lead == 0x80 || lead == 0xFF || at + length > text.size()) return false;
        if (length == 2) {
            auto trail = static_cast<unsigned char>(text[at + 1]);
            if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
        }
        at += length;
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    static const auto table = zeph::PinyinTable::load(ZEPH_FUZZ_PROGRAM_DIR);
    if (!table) std::abort();
    if (size < 2) return 0;
    std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    size_t cut = input.find('\0');
    if (cut == std::string::npos) return 0;
    std::string text = input.substr(0, cut), name = input.substr(cut + 1);
    if (name.empty() || name.find('\0') != std::string::npos || text.size() > 64 ||
        !wellFormed(name) || !wellFormed(text))
        return 0;
    zeph::NameMatcher matcher(text, data[0] & 1, data[0] & 2, table.get());
    std::string scratch;
    if (!matcher.matches(name, scratch)) return 0;
    std::set<zeph::IndexKey> stored;
    zeph::forEachNameKey(zeph::lowerBytes(name), [&](zeph::KeyTable t, std::uint32_t k) {
        stored.insert({t, k});
    });
    for (const auto& ways : matcher.candidateKeys()) {
        bool met = false;
        for (const auto& way : ways) {
            bool all = true;
            for (const auto& group : way) {
                bool any = false;
                for (const auto& key : group) any = any || stored.count(key);
                all = all && any;
            }
            met = met || all;
        }
        if (!met) std::abort();
    }
    return 0;
}
