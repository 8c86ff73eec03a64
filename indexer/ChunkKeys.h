// The postings of one chunk of the file list: every line's name cut into keys
// by the key scheme, each key's bucket with the line's entry id once, and a
// file's suffix bucket by the suffix table (a suffix the table lacks gets a
// slot of its own; see PostingRuns.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "indexer/PostingRuns.h"

namespace zeph {

class ChunkKeys {
public:
    using SuffixTable = std::unordered_map<std::string, std::int64_t>;
    explicit ChunkKeys(const SuffixTable& table);

    // Reads the lines of text, whose first byte is entry id firstId; false
    // when a line starts past what an entry id can hold.
    bool read(std::string_view text, std::uint64_t firstId);
    // The chunk's run: its counts and new suffixes, and its ids sorted by slot
    // (ascending within each). Leaves the collector empty for the next chunk.
    ChunkRun finish(std::vector<std::uint32_t>& sortedIds);

private:
    void add(std::uint32_t slot, std::uint32_t entryId);
    std::uint32_t newSuffixSlot();

    const SuffixTable& m_table;
    std::vector<std::uint32_t> m_slots;  // per posting, as met
    std::vector<std::uint32_t> m_ids;
    std::vector<std::uint32_t> m_lastLine;  // per bucket: the line that last added to it
    std::uint32_t m_line = 0;
    std::vector<std::uint32_t> m_next;  // per slot, while sorting
    std::vector<std::string> m_newSuffixes;
    std::unordered_map<std::string, std::uint32_t> m_newSuffixSlots;
    std::string m_lowered;
    std::string m_suffix;
};

}  // namespace zeph
