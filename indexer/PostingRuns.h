// The postings of an index run on their way to IndexData.idx. The file list is
// read in chunks; each chunk's postings, sorted by bucket, become one run in an
// unnamed work file, so memory holds a few chunks rather than every posting.
// Chunks cover ascending entry ids, so a bucket is its postings in every run
// joined in chunk order.
//
// A suffix missing from the suffix table gets its id where the file list first
// shows it, as a single pass over the list would give: a chunk keeps its new
// suffixes in the order it met them, each with a slot of its own past the
// index's buckets, and the merge numbers them chunk by chunk.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "common/FileIO.h"

namespace zeph {

// One chunk's postings, grouped by slot.
struct ChunkRun {
    // The slots holding postings, ascending, each with its count: the index's
    // buckets, then one slot per new suffix (few of a chunk's slots hold any).
    std::vector<std::pair<std::uint32_t, std::uint32_t>> counts;
    // The suffixes the table lacks, in the order the chunk met them.
    std::vector<std::string> newSuffixes;
    // Where the run's postings start in the work file.
    std::uint64_t offset = 0;
};

class PostingRuns {
public:
    // An unnamed file in the folder (system encoding), gone once closed.
    explicit PostingRuns(const std::string& osFolder);
    bool valid() const { return m_fd.valid(); }

    // Keeps the chunk's postings (ids in slot order, as counted); false when
    // the write fails. Chunks may arrive in any order and from any thread.
    bool add(std::size_t chunk, ChunkRun run, const std::vector<std::uint32_t>& sortedIds);
    // Postings kept so far.
    std::uint64_t postingCount() const;

    enum class Outcome { Written, Stopped, Failed };
    // Writes the bucket records (offset, count) and the postings in record
    // order. extensionIdOf numbers a new suffix (called in file-list order).
    Outcome write(const std::function<std::int64_t(const std::string&)>& extensionIdOf,
                  BufferedWriter& meta, BufferedWriter& data, const std::atomic<bool>& stop);

private:
    UniqueFd m_fd;
    mutable std::mutex m_mutex;
    std::vector<ChunkRun> m_runs;  // by chunk
    std::uint64_t m_end = 0;
    std::uint64_t m_postings = 0;
};

}  // namespace zeph
