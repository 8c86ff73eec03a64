// The loaded index: the bucket directory in memory, the posting file and the
// file list kept open. All three are opened through one handle on index/, so
// they belong to the same run even while the indexer publishes a new one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/FileIO.h"
#include "common/IndexFormat.h"

namespace zeph {

class IndexDirectory {
public:
    enum class LoadResult {
        Loaded,
        NoPostings,   // IndexData.idx cannot be opened: the program's first run
        NoDirectory,  // MetaIndex.idx cannot be opened
        Invalid,      // wrong size, or a bucket reaching past the posting file
        NoFileList,   // AllFiles.dat cannot be opened
        Damaged,      // no manifest, or a file whose size differs from it
    };

    LoadResult load(const std::string& programFolder);

    const index::BucketEntry& bucket(std::uint32_t slot) const { return m_buckets[slot]; }
    // Reads a bucket's postings; false on a read error.
    bool readPostings(std::uint32_t slot, std::vector<std::uint32_t>& out) const;
    // Reads the file-list line of an entry; false when there is none.
    bool readLine(std::uint32_t entryId, std::string& line) const;
    std::uint64_t fileListSize() const { return m_fileListSize; }

private:
    UniqueFd m_postings;
    UniqueFd m_fileList;
    std::uint64_t m_postingsSize = 0;
    std::uint64_t m_fileListSize = 0;
    std::vector<index::BucketEntry> m_buckets;
};

}  // namespace zeph
