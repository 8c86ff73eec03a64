// The loaded index: the bucket directory in memory, the posting file kept
// open and the file list mapped into memory. All are opened through one handle
// on index/, so they belong to the same run even while the indexer publishes a
// new one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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

    // The generation index/ pointed to when it was loaded.
    const std::string& generation() const { return m_generation; }
    // The loaded generation's folder, open (its journal lies there).
    int folderFd() const { return m_folder.get(); }

    index::BucketEntry bucket(std::uint32_t slot) const {
        const auto* record = reinterpret_cast<const unsigned char*>(m_meta.bytes().data()) +
                             std::size_t{slot} * index::kRecordSize;
        return {index::loadLE32(record), index::loadLE32(record + 4)};
    }
    // Reads a bucket's postings; false on a read error.
    bool readPostings(std::uint32_t slot, std::vector<std::uint32_t>& out) const;
    // The file-list line of an entry (without its line feed); nullopt when
    // the id lies past the end of the file list.
    std::optional<std::string_view> line(std::uint32_t entryId) const;
    std::uint64_t fileListSize() const { return m_fileList.bytes().size(); }
    // The whole file list (an entry's id is where its line starts).
    std::string_view fileList() const { return m_fileList.bytes(); }

private:
    UniqueFd m_folder;
    std::string m_generation;
    UniqueFd m_postings;
    MappedFile m_fileList;
    std::uint64_t m_postingsSize = 0;
    MappedFile m_meta;  // the bucket directory, each record checked at loading
};

}  // namespace zeph
