#include "ChunkKeys.h"

#include <cstring>

#include "common/FileList.h"
#include "common/IndexFormat.h"
#include "common/KeyScheme.h"
#include "indexer/IndexerTexts.h"

namespace zeph {

ChunkKeys::ChunkKeys(const SuffixTable& table)
    : m_table(table), m_lastLine(index::kTotalBuckets, 0) {}

void ChunkKeys::add(std::uint32_t slot, std::uint32_t entryId) {
    // A name holding a key twice is one posting.
    if (slot < m_lastLine.size()) {
        if (m_lastLine[slot] == m_line) return;
        m_lastLine[slot] = m_line;
    }
    m_slots.push_back(slot);
    m_ids.push_back(entryId);
}

std::uint32_t ChunkKeys::newSuffixSlot() {
    auto [it, inserted] = m_newSuffixSlots.try_emplace(
        m_suffix, index::kTotalBuckets + static_cast<std::uint32_t>(m_newSuffixes.size()));
    if (inserted) m_newSuffixes.push_back(m_suffix);
    return it->second;
}

bool ChunkKeys::read(std::string_view text, std::uint64_t firstId) {
    // A name gives about one posting per five bytes of its line: room for
    // more, so the lists do not double past what the chunk needs.
    m_slots.reserve(m_slots.size() + text.size() / 4);
    m_ids.reserve(m_ids.size() + text.size() / 4);
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char* newline =
            static_cast<const char*>(std::memchr(text.data() + pos, '\n', text.size() - pos));
        std::size_t end = newline ? static_cast<std::size_t>(newline - text.data()) : text.size();
        if (firstId + pos > kMaxFileListOffset) return false;
        auto entryId = static_cast<std::uint32_t>(firstId + pos);
        std::optional<FileListLine> line = parseFileListLine(text.substr(pos, end - pos));
        pos = end + 1;
        if (!line) continue;
        ++m_line;
        m_lowered.assign(line->name);
        lowerBytesInPlace(m_lowered);
        forEachNameKey(m_lowered, [&](KeyTable table, std::uint32_t key) {
            add(table == KeyTable::Character ? index::characterSlot(key) : index::pairSlot(key),
                entryId);
        });
        if (line->isFolder) continue;
        Suffix suffix = nameSuffix(m_lowered);
        if (!suffix.hasSuffix) continue;
        m_suffix.assign(suffix.text);
        auto known = m_table.find(m_suffix);
        add(known != m_table.end() ? index::suffixSlot(index::suffixBucketOf(known->second))
                                   : newSuffixSlot(),
            entryId);
    }
    return true;
}

ChunkRun ChunkKeys::finish(std::vector<std::uint32_t>& sortedIds) {
    std::vector<std::uint32_t>& next = m_next;
    next.assign(index::kTotalBuckets + m_newSuffixes.size(), 0);
    for (std::uint32_t slot : m_slots) ++next[slot];
    // Counting sort: ids keep their order within a slot, so each stays ascending.
    ChunkRun run;
    std::uint32_t start = 0;
    for (std::uint32_t slot = 0; slot < next.size(); ++slot) {
        std::uint32_t count = next[slot];
        if (count) run.counts.emplace_back(slot, count);
        next[slot] = start;
        start += count;
    }
    sortedIds.resize(m_ids.size());
    for (std::size_t i = 0; i < m_ids.size(); ++i) sortedIds[next[m_slots[i]]++] = m_ids[i];

    run.newSuffixes = std::move(m_newSuffixes);
    m_newSuffixes.clear();
    m_newSuffixSlots.clear();
    m_slots.clear();
    m_ids.clear();
    return run;
}

}  // namespace zeph
