#include "FileIO.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <utility>

#include "Codec.h"

namespace zeph {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        close();
        m_fd = other.release();
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    close();
}

int UniqueFd::release() {
    int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool UniqueFd::close() {
    if (m_fd < 0) return true;
    int rc = ::close(m_fd);
    m_fd = -1;
    return rc == 0;
}

UniqueFd openPath(const std::string& gbkPath, int flags, unsigned mode) {
    std::string path = osPath(gbkPath);
    if (path.empty()) return UniqueFd();
    return UniqueFd(::open(path.c_str(), flags | O_CLOEXEC, mode));
}

namespace {
// Paths longer than this are opened piece by piece.
constexpr size_t kDirectOpenLimit = 3800;
}  // namespace

UniqueFd openDeep(const std::string& path, int flags) {
    flags |= O_CLOEXEC;
    if (path.size() < kDirectOpenLimit || path.empty() || path[0] != '/')
        return UniqueFd(::open(path.c_str(), flags));
    const int stepFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    UniqueFd current(::open("/", stepFlags));
    std::string piece;
    size_t pos = 1;
    while (current.valid() && pos <= path.size()) {
        size_t slash = path.find('/', pos);
        size_t end = slash == std::string::npos ? path.size() : slash;
        std::string_view component(path.data() + pos, end - pos);
        bool last = end == path.size();
        if (!piece.empty() && piece.size() + component.size() + 1 >= kDirectOpenLimit) {
            current = UniqueFd(::openat(current.get(), piece.c_str(), stepFlags));
            piece.clear();
        }
        if (!piece.empty()) piece += '/';
        piece += component;
        if (last) current = UniqueFd(::openat(current.get(), piece.c_str(), flags));
        pos = end + 1;
    }
    return current;
}

// ---- MappedFile ----

MappedFile::MappedFile(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return;
    void* data = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (data == MAP_FAILED) return;
    m_data = static_cast<const char*>(data);
    m_size = static_cast<size_t>(st.st_size);
}

MappedFile::MappedFile(MappedFile&& other) noexcept {
    *this = std::move(other);
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        unmap();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

MappedFile::~MappedFile() {
    unmap();
}

void MappedFile::unmap() {
    if (m_data) ::munmap(const_cast<char*>(m_data), m_size);
    m_data = nullptr;
    m_size = 0;
}

// ---- BufferedWriter ----

BufferedWriter::BufferedWriter(UniqueFd fd, size_t bufferSize)
    : m_fd(std::move(fd)), m_capacity(bufferSize), m_failed(!m_fd.valid()) {
    m_buffer.reserve(m_capacity);
}

BufferedWriter::~BufferedWriter() {
    flush();
}

bool BufferedWriter::flush() {
    const char* data = m_buffer.data();
    size_t left = m_buffer.size();
    while (left > 0 && !m_failed) {
        ssize_t n = ::write(m_fd.get(), data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            m_failed = true;
            break;
        }
        data += n;
        left -= static_cast<size_t>(n);
        m_written += static_cast<std::uint64_t>(n);
    }
    m_buffer.clear();
    return !m_failed;
}

bool BufferedWriter::write(std::string_view bytes) {
    if (m_failed) return false;
    if (m_buffer.size() + bytes.size() > m_capacity && !flush()) return false;
    m_buffer.append(bytes);
    return true;
}

bool BufferedWriter::writeLE32(std::uint32_t value) {
    char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8),
                     static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
    return write(std::string_view(bytes, 4));
}

bool BufferedWriter::writeLE32(const std::uint32_t* values, size_t count) {
    if constexpr (std::endian::native == std::endian::little) {
        return write(std::string_view(reinterpret_cast<const char*>(values), count * 4));
    } else {
        for (size_t i = 0; i < count; ++i)
            if (!writeLE32(values[i])) return false;
        return !m_failed;
    }
}

bool BufferedWriter::finish(bool sync) {
    bool ok = flush();
    if (ok && sync && ::fsync(m_fd.get()) != 0) ok = false;
    if (!m_fd.close()) ok = false;
    m_failed = m_failed || !ok;
    return ok;
}

// ---- LineReader ----

LineReader::LineReader(UniqueFd fd, size_t bufferSize)
    : m_fd(std::move(fd)), m_buffer(bufferSize), m_error(!m_fd.valid()) {}

bool LineReader::fill() {
    if (m_begin > 0) {  // keep the unfinished line at the front
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    if (m_end == m_buffer.size()) m_buffer.resize(m_buffer.size() * 2);  // a very long line
    for (;;) {
        ssize_t n = ::read(m_fd.get(), m_buffer.data() + m_end, m_buffer.size() - m_end);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            m_error = true;
            return false;
        }
        if (n == 0) {
            m_eof = true;
            return false;
        }
        m_end += static_cast<size_t>(n);
        return true;
    }
}

LineReader::Status LineReader::next(std::string_view& line, std::uint64_t& offset) {
    size_t searchFrom = m_begin;
    for (;;) {
        if (m_error) return Status::Error;
        auto* start = m_buffer.data() + searchFrom;
        auto* newline = static_cast<char*>(std::memchr(start, '\n', m_end - searchFrom));
        if (newline || (m_eof && m_end > m_begin)) {
            size_t lineEnd = newline ? static_cast<size_t>(newline - m_buffer.data()) : m_end;
            line = std::string_view(m_buffer.data() + m_begin, lineEnd - m_begin);
            offset = m_offset;
            size_t consumed = (newline ? lineEnd + 1 : lineEnd) - m_begin;
            m_begin += consumed;
            m_offset += consumed;
            return Status::Line;
        }
        if (m_eof) return Status::End;
        size_t scanned = m_end - m_begin;
        if (!fill() && m_error) return Status::Error;
        searchFrom = m_begin + scanned;
    }
}

size_t readAt(int fd, void* buffer, size_t size, std::uint64_t offset) {
    auto* out = static_cast<char*>(buffer);
    size_t got = 0;
    while (got < size) {
        ssize_t n = ::pread(fd, out + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    return got;
}

std::string readRange(int fd, std::uint64_t offset, std::uint64_t size) {
    std::string bytes(size, '\0');
    bytes.resize(readAt(fd, bytes.data(), bytes.size(), offset));
    return bytes;
}

bool syncFolder(const std::string& osFolderPath) {
    UniqueFd fd(::open(osFolderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.valid() && ::fsync(fd.get()) == 0;
}

}  // namespace zeph
