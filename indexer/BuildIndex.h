// The index builder: reads the file list, cuts every name into keys, and writes
// the bucket directory (MetaIndex.idx) and the postings (IndexData.idx), then
// publishes the three files and records the run. The list is read in chunks on
// every core, each chunk's postings kept on disk until they are merged
// (PostingRuns.h), so memory does not grow with the postings.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/FileList.h"
#include "indexer/IndexPublisher.h"
#include "indexer/PostingRuns.h"

namespace zeph {

class CSQLiteDB;

class CBuildIndex {
public:
    explicit CBuildIndex(std::string programFolder);

    // Reads the suffix table and prepares the buckets; -1 when the query fails.
    int Load(CSQLiteDB& db);
    // Reads tmp/AllFiles.dat, writes and publishes the index, records the run.
    // 0 when published; -1 on a stop (nothing published). Failures end the process.
    int Build(CSQLiteDB& db);

    void requestStop() { m_stop = true; }
    // What publishing records and does besides moving the files.
    void setPublishing(std::uint64_t walkStarted, PublishSteps steps) {
        m_walkStarted = walkStarted;
        m_steps = std::move(steps);
    }
    // True while the three files are being switched into index/.
    bool publishing() const { return m_publishing; }

    // How much of the file list a chunk holds at least, and how many threads
    // read chunks (tests make both small to spill many runs).
    void setChunking(std::size_t minimumChunkBytes, unsigned threads) {
        m_minimumChunkBytes = minimumChunkBytes;
        m_threads = threads;
    }
    // Reads the file list into posting runs; -1 on a stop, -2 on a read error.
    int ReadFileList();

private:
    std::int64_t extensionIdOf(const std::string& suffix);
    int WriteIndex();

    std::string m_programFolder;
    std::uint64_t m_walkStarted = 0;
    PublishSteps m_steps;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_publishing{false};
    bool m_loaded = false;
    std::unordered_map<std::string, std::int64_t> m_extensions;
    std::int64_t m_nextExtensionId = 1;
    std::size_t m_minimumChunkBytes = std::size_t{2} << 20;
    unsigned m_threads = 0;  // every core
    std::unique_ptr<PostingRuns> m_runs;
};

}  // namespace zeph
