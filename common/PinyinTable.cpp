#include "PinyinTable.h"


#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "common/FileIO.h"
#include "common/Paths.h"

namespace zeph {

namespace {

constexpr size_t kCodes = 65536;
constexpr size_t kHeader = 4;
constexpr size_t kOffsetsEnd = kHeader + kCodes * 4;
constexpr size_t kPoolStart = kOffsetsEnd + kCodes * 2;

std::uint32_t load32(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

}  // namespace

std::shared_ptr<const PinyinTable> PinyinTable::load(const std::string& programFolder) {
    UniqueFd fd = openPath(joinPath(programFolder, kPinyinFileName), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) return nullptr;
    return fromBytes(readRange(fd.get(), 0, static_cast<std::uint64_t>(st.st_size)));
}

std::shared_ptr<const PinyinTable> PinyinTable::fromBytes(std::string bytes) {
    if (bytes.size() <= kPoolStart || bytes.compare(0, 4, kPinyinMagic) != 0 ||
        bytes[kPoolStart] != '\0' || bytes.back() != '\0')
        return nullptr;
    std::shared_ptr<PinyinTable> table(new PinyinTable);
    table->m_bytes = std::move(bytes);
    auto* base = reinterpret_cast<const unsigned char*>(table->m_bytes.data());
    table->m_offsets = base + kHeader;
    table->m_simplified = base + kOffsetsEnd;
    table->m_pool = std::string_view(table->m_bytes).substr(kPoolStart);
    // Every offset must fall inside the pool: a damaged file is no table.
    for (size_t code = 0; code < kCodes; ++code)
        if (load32(table->m_offsets + code * 4) >= table->m_pool.size()) return nullptr;
    // Read at the first search that wants it, so kept to flat arrays: each
    // reading goes through a small table of the distinct ones, packed.
    std::vector<std::uint64_t> distinct(4096, 0);
    auto firstTime = [&](std::string_view reading) {
        if (reading.size() > 7) return true;  // none is; checked again below
        std::uint64_t key = reading.size();
        for (char c : reading) key = key << 8 | static_cast<unsigned char>(c);
        for (std::size_t at = (key * 0x9E3779B97F4A7C15ull) >> 52;; at = (at + 1) & 4095) {
            if (distinct[at] == key) return false;
            if (distinct[at] == 0) {
                distinct[at] = key;
                return true;
            }
        }
    };
    for (size_t code = 0x8100; code < kCodes; ++code) {
        auto c = static_cast<std::uint16_t>(code);
        std::string_view readings = table->readings(c);
        bool seen[26] = {};
        for (size_t at = 0; at < readings.size();) {
            size_t comma = readings.find(',', at);
            std::string_view reading = readings.substr(at, comma - at);
            if (firstTime(reading)) table->m_syllables.push_back(reading);
            char letter = readings[at];
            if (letter >= 'a' && letter <= 'z' && !seen[letter - 'a']) {
                seen[letter - 'a'] = true;
                table->m_byLetter[static_cast<size_t>(letter - 'a')].push_back(c);
            }
            if (comma == std::string_view::npos) break;
            at = comma + 1;
        }
    }
    std::sort(table->m_syllables.begin(), table->m_syllables.end());
    table->m_syllables.erase(std::unique(table->m_syllables.begin(), table->m_syllables.end()),
                             table->m_syllables.end());
    return table;
}

std::uint16_t PinyinTable::codeAt(std::string_view text, size_t at) {
    if (at + 1 >= text.size()) return 0;
    auto lead = static_cast<unsigned char>(text[at]), trail = static_cast<unsigned char>(text[at + 1]);
    if (lead < 0x81 || lead == 0xFF || (trail >= '0' && trail <= '9')) return 0;
    return static_cast<std::uint16_t>(lead << 8 | trail);
}

std::string_view PinyinTable::readings(std::uint16_t code) const {
    std::uint32_t offset = load32(m_offsets + size_t{code} * 4);
    return offset == 0 ? std::string_view() : std::string_view(m_pool.data() + offset);
}

std::uint16_t PinyinTable::simplified(std::uint16_t code) const {
    const unsigned char* p = m_simplified + size_t{code} * 2;
    auto to = static_cast<std::uint16_t>(p[0] | p[1] << 8);
    return to == 0 ? code : to;
}

const std::vector<std::uint16_t>& PinyinTable::variants(std::uint16_t code) const {
    static const std::vector<std::uint16_t> none;
    std::call_once(m_variantsBuilt, [this] { buildVariants(); });
    std::uint32_t slot = m_variantSlot[code];
    return slot == 0 ? none : m_variants[slot - 1];
}

// The characters sharing a simplified form, chained in ascending code order.
void PinyinTable::buildVariants() const {
    std::vector<std::uint16_t> chainHead(kCodes, 0), chainNext(kCodes, 0);
    for (size_t code = kCodes - 1; code >= 0x8100; --code) {
        auto c = static_cast<std::uint16_t>(code);
        std::uint16_t canonical = simplified(c);
        if (canonical != c || !readings(c).empty()) {
            chainNext[c] = chainHead[canonical];
            chainHead[canonical] = c;
        }
    }
    m_variantSlot.assign(kCodes, 0);
    std::vector<std::uint16_t> group;
    for (size_t canonical = 0; canonical < kCodes; ++canonical) {
        group.clear();
        for (std::uint16_t member = chainHead[canonical]; member != 0; member = chainNext[member])
            group.push_back(member);
        if (group.size() < 2 &&
            !(group.size() == 1 && group[0] != static_cast<std::uint16_t>(canonical)))
            continue;
        if (std::find(group.begin(), group.end(), static_cast<std::uint16_t>(canonical)) == group.end())
            group.push_back(static_cast<std::uint16_t>(canonical));
        m_variants.push_back(group);
        for (std::uint16_t member : group)
            m_variantSlot[member] = static_cast<std::uint32_t>(m_variants.size());
    }
}

const std::vector<std::uint16_t>& PinyinTable::startingWith(char letter) const {
    static const std::vector<std::uint16_t> none;
    return letter >= 'a' && letter <= 'z' ? m_byLetter[static_cast<size_t>(letter - 'a')] : none;
}

size_t PinyinTable::characters() const {
    size_t count = 0;
    for (size_t code = 0; code < kCodes; ++code) count += load32(m_offsets + code * 4) != 0;
    return count;
}

}  // namespace zeph
