#include "JournalWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "common/ChangeJournal.h"
#include "common/Codec.h"
#include "common/IndexManifest.h"
#include "indexer/IndexPublisher.h"
#include "search/engine/IndexDirectory.h"

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

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

JournalWriter::JournalWriter(std::string dataFolder) : m_dataFolder(std::move(dataFolder)) {}

void JournalWriter::openPublished() {
    std::string generation = IndexDirectory::currentGeneration(m_dataFolder);
    if (generation.empty()) return;
    adopt(fs::path(osPath(m_dataFolder)) / generation);
}

std::string JournalWriter::readFrom(std::uint64_t offset) const {
    if (!m_fd.valid()) return m_memory.substr(std::min<std::uint64_t>(offset, m_memory.size()));
    return readRange(m_fd.get(), offset, m_size - offset);
}

bool JournalWriter::adopt(const fs::path& generationFolder) {
    std::string manifestText;
    {
        UniqueFd manifest(
            ::open((generationFolder / index::kManifestName).c_str(), O_RDONLY | O_CLOEXEC));
        char buffer[512];
        ssize_t n = manifest.valid() ? ::read(manifest.get(), buffer, sizeof buffer) : -1;
        if (n > 0) manifestText.assign(buffer, static_cast<size_t>(n));
    }
    auto parsed = index::parseManifest(manifestText);
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
    // keeps its records ahead of the carried ones.
    off_t existing = ::lseek(fd.get(), 0, SEEK_END);
    if (existing < 0 || !writeAll(fd.get(), bytes)) return false;
    for (Batch& batch : carried) batch.offset += static_cast<std::uint64_t>(existing);
    m_records = 0;
    for (const Batch& batch : carried) m_records += batch.records;
    m_fd = std::move(fd);
    m_memory.clear();
    m_batches = std::move(carried);
    m_size = static_cast<std::uint64_t>(existing) + bytes.size();
    m_generation = generationFolder.filename().string();
    return true;
}

bool JournalWriter::adoptIfNewer() {
    std::string generation = IndexDirectory::currentGeneration(m_dataFolder);
    if (generation.empty() || generation == this->generation()) return true;
    return adopt(fs::path(osPath(m_dataFolder)) / generation);
}

bool JournalWriter::append(const std::string& records, std::int64_t count) {
    if (records.empty()) return true;
    std::lock_guard lock(m_mutex);
    if (m_fd.valid() && !writeAll(m_fd.get(), records)) return false;
    if (!m_fd.valid()) m_memory += records;
    m_batches.push_back({m_size, nowNanoseconds(), count});
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
