#include "JournalWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "common/ChangeJournal.h"
#include "common/Codec.h"
#include "common/IndexGeneration.h"
#include "common/IndexManifest.h"

namespace fs = std::filesystem;

namespace zeph {

namespace {

std::uint64_t nowNanoseconds() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count());
}

// A change is carried into a new generation when its batch came less than
// this before the walk began (events reach the watcher a little after they
// happen).
constexpr std::uint64_t kCarryMargin = 2'000'000'000;

// The length of the file's complete records: up to its last line feed.
std::uint64_t completeLength(int fd, std::uint64_t size) {
    constexpr std::uint64_t kStep = 64 * 1024;
    for (std::uint64_t end = size; end > 0;) {
        std::uint64_t begin = end > kStep ? end - kStep : 0;
        std::string piece = readRange(fd, begin, end - begin);
        if (piece.size() != end - begin) return 0;  // unreadable: start it afresh
        size_t lineFeed = piece.rfind('\n');
        if (lineFeed != std::string::npos) return begin + lineFeed + 1;
        end = begin;
    }
    return 0;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = ENOSPC;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

JournalWriter::JournalWriter(std::string dataFolder, Clock clock)
    : m_dataFolder(std::move(dataFolder)),
      m_clock(clock ? std::move(clock) : Clock(nowNanoseconds)) {}

void JournalWriter::openPublished() {
    std::string generation = publishedGeneration(m_dataFolder);
    if (generation.empty()) return;
    adopt(fs::path(osPath(m_dataFolder)) / generation);
}

std::string JournalWriter::readFrom(std::uint64_t offset) const {
    if (!m_fd.valid()) return m_memory.substr(std::min<std::uint64_t>(offset, m_memory.size()));
    return readRange(m_fd.get(), offset, m_size - offset);
}

bool JournalWriter::adopt(const fs::path& generationFolder) {
    UniqueFd manifest(
        ::open((generationFolder / index::kManifestName).c_str(), O_RDONLY | O_CLOEXEC));
    constexpr std::uint64_t kManifestAtMost = 4096;
    auto parsed = index::parseManifest(
        manifest.valid() ? readRange(manifest.get(), 0, kManifestAtMost) : std::string());
    std::uint64_t walkStarted = parsed ? parsed->walkStarted : 0;

    std::lock_guard lock(m_mutex);
    if (generationFolder.filename().string() == m_generation) return true;
    // The batches the new generation may have missed, and where each begins.
    std::vector<Batch> carried;
    std::uint64_t from = m_size;
    for (const Batch& batch : m_batches) {
        if (batch.time + kCarryMargin < walkStarted) continue;
        if (carried.empty()) from = batch.offset;
        carried.push_back({batch.offset - from, batch.time, batch.records});
    }
    std::string bytes = readFrom(from);
    UniqueFd fd(::open((generationFolder / journal::kJournalName).c_str(),
                       O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (!fd.valid()) return false;
    // A journal already there (the watcher started again on this generation)
    // keeps its complete records ahead of the carried ones.
    off_t end = ::lseek(fd.get(), 0, SEEK_END);
    if (end < 0) return false;
    std::uint64_t existing = completeLength(fd.get(), static_cast<std::uint64_t>(end));
    if (existing != static_cast<std::uint64_t>(end) &&
        ::ftruncate(fd.get(), static_cast<off_t>(existing)) != 0)
        return false;
    if (!writeAll(fd.get(), bytes)) {
        int error = errno;
        (void)!::ftruncate(fd.get(), static_cast<off_t>(existing));
        errno = error;
        return false;
    }
    for (Batch& batch : carried) batch.offset += existing;
    m_records = 0;
    for (const Batch& batch : carried) m_records += batch.records;
    m_fd = std::move(fd);
    m_memory.clear();
    m_batches = std::move(carried);
    m_size = existing + bytes.size();
    m_generation = generationFolder.filename().string();
    return true;
}

bool JournalWriter::adoptIfNewer() {
    std::string generation = publishedGeneration(m_dataFolder);
    if (generation.empty() || generation == this->generation()) return true;
    return adopt(fs::path(osPath(m_dataFolder)) / generation);
}

bool JournalWriter::repairTail() {
    struct stat st;
    if (::fstat(m_fd.get(), &st) != 0) return false;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size == m_size) return true;
    // Another program wrote to it (or cut it): its complete records stay,
    // a torn one at the end goes.
    const std::uint64_t complete = completeLength(m_fd.get(), size);
    if (complete != size && ::ftruncate(m_fd.get(), static_cast<off_t>(complete)) != 0)
        return false;
    if (complete < m_size)
        std::erase_if(m_batches, [&](const Batch& batch) { return batch.offset >= complete; });
    m_size = complete;
    if (complete != size && repaired) repaired(size - complete);
    return true;
}

bool JournalWriter::append(const std::string& records, std::int64_t count) {
    if (records.empty()) return true;
    std::lock_guard lock(m_mutex);
    if (m_fd.valid() && !repairTail()) return false;
    if (m_fd.valid() && !writeAll(m_fd.get(), records)) {
        // What reached the file of a failed batch goes again, so the batch
        // can be written whole later and no record is glued to a piece.
        int error = errno;
        (void)!::ftruncate(m_fd.get(), static_cast<off_t>(m_size));
        errno = error;
        return false;
    }
    if (!m_fd.valid()) m_memory += records;
    m_batches.push_back({m_size, m_clock(), count});
    m_size += records.size();
    m_records += count;
    return true;
}

std::string JournalWriter::generation() const {
    std::lock_guard lock(m_mutex);
    return m_generation;
}

std::int64_t JournalWriter::records() const {
    std::lock_guard lock(m_mutex);
    return m_records;
}

}  // namespace zeph
