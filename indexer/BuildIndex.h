// The index builder: reads the file list, cuts every name into keys, and writes
// the bucket directory (MetaIndex.idx) and the postings (IndexData.idx), then
// publishes the three files and records the run.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/FileList.h"
#include "indexer/IndexPublisher.h"

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

    // The postings of one bucket in record order (see IndexFormat.h).
    const std::vector<std::uint32_t>& bucket(std::uint32_t slot) const { return m_buckets[slot]; }
    // Reads the file list into the buckets; -1 on a stop, -2 on a read error.
    int ReadFileList();

private:
    void IndexLine(std::uint32_t entryId, const FileListLine& line);
    void add(std::uint32_t slot, std::uint32_t entryId);
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
    std::vector<std::vector<std::uint32_t>> m_buckets;
    std::string m_lowered;
    std::string m_suffix;
};

}  // namespace zeph
