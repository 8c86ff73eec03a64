// Writes the watcher's records to the journal of the published generation, a
// batch at a time, remembering when each batch came. When a newer generation
// is published, its journal starts with the batches that came after that
// generation's walk began: the changes the walk may have missed. Until any
// generation exists the batches are kept in memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "common/FileIO.h"

namespace zeph {

class JournalWriter {
public:
    // Nanoseconds since 1970: when a batch came (tests put in their own clock).
    using Clock = std::function<std::uint64_t()>;
    explicit JournalWriter(std::string dataFolder, Clock clock = {});

    // Starts on the journal of the generation index/ points to now.
    void openPublished();
    // Appends one batch of records. On a failed write nothing of the batch
    // stays in the journal, errno tells why, and false is returned: the
    // caller keeps the batch and tries again. Bytes another program left at
    // the end are looked at first: a torn record among them is cut off, so
    // no record of ours is glued to it, and repaired is told how many bytes went.
    bool append(const std::string& records, std::int64_t count);
    std::function<void(std::uint64_t cutBytes)> repaired;
    // Makes the journal of the generation in the folder (its manifest says
    // when its walk began) the one written to. A torn last record left by a
    // writer that was killed is cut off first, so nothing is glued to it.
    bool adopt(const std::filesystem::path& generationFolder);
    // A generation another program published since: adopt it.
    bool adoptIfNewer();

    std::string generation() const;
    // Records in the journal written to.
    std::int64_t records() const;

private:
    struct Batch {
        std::uint64_t offset;
        std::uint64_t time;  // nanoseconds since 1970, when it was written
        std::int64_t records;
    };
    std::string readFrom(std::uint64_t offset) const;
    // Takes the file as it is now when another program changed its end.
    bool repairTail();

    std::string m_dataFolder;
    Clock m_clock;
    mutable std::mutex m_mutex;
    std::string m_generation;
    UniqueFd m_fd;
    std::string m_memory;  // the batches while there is no generation
    std::vector<Batch> m_batches;
    std::uint64_t m_size = 0;
    std::int64_t m_records = 0;
};

}  // namespace zeph
