#include "PinyinTable.h"

#include <fcntl.h>

#include <algorithm>
#include <string_view>

#include "common/FileIO.h"
#include "common/Paths.h"

namespace zeph {

namespace {

constexpr size_t kCodes = 65536;
constexpr size_t kHeader = 4;
constexpr size_t kOffsetsEnd = kHeader + kCodes * 4;
constexpr size_t kSimplifiedEnd = kOffsetsEnd + kCodes * 2;
constexpr size_t kLettersEnd = kSimplifiedEnd + 26 * 4;

std::uint32_t load32(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

}  // namespace

// Mapped, not read: a search touches only the pages it needs.
std::shared_ptr<const PinyinTable> PinyinTable::load(const std::string& programFolder) {
    UniqueFd fd = openPath(joinPath(programFolder, kPinyinFileName), O_RDONLY | O_CLOEXEC);
    if (!fd.valid()) return nullptr;
    std::unique_ptr<PinyinTable> table(new PinyinTable);
    table->m_file = MappedFile(fd.get());
    std::string_view bytes = table->m_file.bytes();
    return over(std::move(table), bytes);
}

std::shared_ptr<const PinyinTable> PinyinTable::fromBytes(std::string bytes) {
    std::unique_ptr<PinyinTable> table(new PinyinTable);
    table->m_bytes = std::move(bytes);
    std::string_view view = table->m_bytes;
    return over(std::move(table), view);
}

std::shared_ptr<const PinyinTable> PinyinTable::over(std::unique_ptr<PinyinTable> table,
                                                     std::string_view bytes) {
    if (bytes.size() < kLettersEnd || bytes.compare(0, 4, kPinyinMagic) != 0) return nullptr;
    auto* base = reinterpret_cast<const unsigned char*>(bytes.data());
    table->m_offsets = base + kHeader;
    table->m_simplified = base + kOffsetsEnd;
    // Every count, code and offset must fall inside the file, and every
    // offset inside the pool: a damaged file is no table.
    size_t at = kLettersEnd;
    for (size_t letter = 0; letter < 26; ++letter) {
        size_t count = load32(base + kSimplifiedEnd + letter * 4);
        if (count > (bytes.size() - at) / 2) return nullptr;
        auto& codes = table->m_byLetter[letter];
        codes.resize(count);
        for (size_t i = 0; i < count; ++i, at += 2)
            codes[i] = static_cast<std::uint16_t>(base[at] | base[at + 1] << 8);
    }
    if (bytes.size() - at < 4) return nullptr;
    size_t syllables = load32(base + at);
    at += 4;
    if (syllables > (bytes.size() - at) / 4) return nullptr;
    const size_t poolStart = at + syllables * 4;
    table->m_pool = bytes.substr(poolStart);
    if (table->m_pool.empty() || table->m_pool.front() != '\0' || table->m_pool.back() != '\0')
        return nullptr;
    for (size_t code = 0; code < kCodes; ++code)
        if (load32(table->m_offsets + code * 4) >= table->m_pool.size()) return nullptr;
    table->m_syllables.reserve(syllables);
    for (; at < poolStart; at += 4) {
        std::uint32_t offset = load32(base + at);
        if (offset >= table->m_pool.size()) return nullptr;
        std::string_view rest = table->m_pool.substr(offset);
        table->m_syllables.push_back(rest.substr(0, rest.find_first_of(std::string_view(",\0", 2))));
    }
    return std::shared_ptr<const PinyinTable>(std::move(table));
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
