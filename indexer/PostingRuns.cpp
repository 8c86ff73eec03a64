#include "PostingRuns.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <map>

#include "common/IndexFormat.h"

namespace zeph {

namespace {

UniqueFd openUnnamed(const std::string& osFolder) {
    UniqueFd fd(::open(osFolder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (fd.valid()) return fd;
    // File systems without unnamed files: a named one, unlinked at once.
    std::string path = osFolder + "/postings.XXXXXX";
    fd = UniqueFd(::mkostemp(path.data(), O_CLOEXEC));
    if (fd.valid()) ::unlink(path.c_str());
    return fd;
}

bool writeAt(int fd, const void* bytes, std::size_t size, std::uint64_t offset) {
    const auto* in = static_cast<const char*>(bytes);
    while (size > 0) {
        ssize_t n = ::pwrite(fd, in, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        in += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

// Reads one run's postings front to back, a buffer at a time.
class RunReader {
public:
    // postings: how many the run holds, so a small run takes a small buffer.
    RunReader(int fd, std::uint64_t offset, std::uint64_t postings)
        : m_fd(fd), m_next(offset), m_size(std::min<std::uint64_t>(postings, kBufferPostings)) {}

    // Hands the next count postings to sink(first, n) piece by piece; false
    // on a read error.
    template <typename Sink>
    bool take(std::uint32_t count, Sink&& sink) {
        while (count > 0) {
            if (m_pos == m_buffer.size() && !fill()) return false;
            auto n = static_cast<std::uint32_t>(std::min<std::size_t>(count, m_buffer.size() - m_pos));
            sink(m_buffer.data() + m_pos, n);
            m_pos += n;
            count -= n;
        }
        return true;
    }
    bool take(std::uint32_t count, std::vector<std::uint32_t>& out) {
        return take(count, [&](const std::uint32_t* ids, std::size_t n) {
            out.insert(out.end(), ids, ids + n);
        });
    }

private:
    static constexpr std::size_t kBufferPostings = 16384;

    bool fill() {
        m_buffer.resize(std::max<std::size_t>(m_size, 1));
        std::size_t got = readAt(m_fd, m_buffer.data(), m_buffer.size() * 4, m_next);
        m_buffer.resize(got / 4);
        m_next += got / 4 * 4;
        m_pos = 0;
        return !m_buffer.empty();
    }

    int m_fd;
    std::uint64_t m_next;
    std::size_t m_size;
    std::vector<std::uint32_t> m_buffer;
    std::size_t m_pos = 0;
};

}  // namespace

PostingRuns::PostingRuns(const std::string& osFolder) : m_fd(openUnnamed(osFolder)) {}

bool PostingRuns::add(std::size_t chunk, ChunkRun run, const std::vector<std::uint32_t>& sortedIds) {
    const std::uint64_t bytes = sortedIds.size() * std::uint64_t{4};
    std::uint64_t offset = 0;
    {
        std::lock_guard lock(m_mutex);
        offset = run.offset = m_end;
        m_end += bytes;
        m_postings += sortedIds.size();
        if (m_runs.size() <= chunk) m_runs.resize(chunk + 1);
        m_runs[chunk] = std::move(run);
    }
    // Each run has its own stretch of the file, so runs are written side by side.
    return writeAt(m_fd.get(), sortedIds.data(), bytes, offset);
}

std::uint64_t PostingRuns::postingCount() const {
    std::lock_guard lock(m_mutex);
    return m_postings;
}

PostingRuns::Outcome PostingRuns::write(
    const std::function<std::int64_t(const std::string&)>& extensionIdOf, BufferedWriter& meta,
    BufferedWriter& data, const std::atomic<bool>& stop) {
    const std::uint32_t slots = index::kTotalBuckets;
    // The new suffixes' postings (at the end of each run) go to the buckets
    // their ids give; few files have such suffixes, so they are read whole.
    std::vector<std::map<std::uint32_t, std::vector<std::uint32_t>>> extra(m_runs.size());
    std::vector<RunReader> readers;
    for (std::size_t r = 0; r < m_runs.size(); ++r) {
        const ChunkRun& run = m_runs[r];
        auto firstNew = std::lower_bound(run.counts.begin(), run.counts.end(),
                                         std::pair<std::uint32_t, std::uint32_t>{slots, 0});
        auto sum = [](auto from, auto to) {
            std::uint64_t postings = 0;
            for (auto it = from; it != to; ++it) postings += it->second;
            return postings;
        };
        const std::uint64_t direct = sum(run.counts.begin(), firstNew);
        readers.emplace_back(m_fd.get(), run.offset, direct);
        if (run.newSuffixes.empty()) continue;
        RunReader tail(m_fd.get(), run.offset + direct * 4, sum(firstNew, run.counts.end()));
        for (auto it = firstNew; it != run.counts.end(); ++it) {
            const std::string& suffix = run.newSuffixes[it->first - slots];
            std::uint32_t bucket = index::suffixSlot(index::suffixBucketOf(extensionIdOf(suffix)));
            if (!tail.take(it->second, extra[r][bucket])) return Outcome::Failed;
        }
        for (auto& [bucket, ids] : extra[r]) std::sort(ids.begin(), ids.end());
    }

    std::vector<std::size_t> at(m_runs.size(), 0);  // each run's next count
    auto countIn = [&](std::size_t r, std::uint32_t slot) -> std::uint32_t {
        const auto& counts = m_runs[r].counts;
        return at[r] < counts.size() && counts[at[r]].first == slot ? counts[at[r]].second : 0;
    };
    // Only suffix buckets take new suffixes' postings.
    auto extraIn = [&](std::size_t r, std::uint32_t slot) {
        return slot < index::suffixSlot(0) ? extra[r].end() : extra[r].find(slot);
    };
    std::vector<std::uint32_t> merged;
    auto toData = [&](const std::uint32_t* ids, std::size_t n) { data.writeLE32(ids, n); };
    std::uint32_t offset = 0;
    for (std::uint32_t slot = 0; slot < slots; ++slot) {
        if ((slot & 0xFFF) == 0 && stop) return Outcome::Stopped;
        std::uint64_t count = 0;
        for (std::size_t r = 0; r < m_runs.size(); ++r) {
            count += countIn(r, slot);
            if (auto it = extraIn(r, slot); it != extra[r].end()) count += it->second.size();
        }
        meta.writeLE32(offset);
        meta.writeLE32(static_cast<std::uint32_t>(count));
        offset += static_cast<std::uint32_t>(count * 4);
        for (std::size_t r = 0; r < m_runs.size(); ++r) {
            std::uint32_t direct = countIn(r, slot);
            if (direct) ++at[r];
            auto it = extraIn(r, slot);
            if (it == extra[r].end()) {
                if (!readers[r].take(direct, toData)) return Outcome::Failed;
                continue;
            }
            merged.clear();
            if (!readers[r].take(direct, merged)) return Outcome::Failed;
            merged.insert(merged.end(), it->second.begin(), it->second.end());
            std::inplace_merge(merged.begin(),
                               merged.end() - static_cast<std::ptrdiff_t>(it->second.size()),
                               merged.end());
            data.writeLE32(merged.data(), merged.size());
        }
    }
    return meta.failed() || data.failed() ? Outcome::Failed : Outcome::Written;
}

}  // namespace zeph
