// Files by descriptor, with every write, read and close checked.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zeph {

// Owns one file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release();
    // Closes the descriptor; false when the close reported an error.
    bool close();

private:
    int m_fd = -1;
};

// Opens a GBK path (converted to the system's encoding).
UniqueFd openPath(const std::string& gbkPath, int flags, unsigned mode = 0644);

// Opens a path of the system's encoding however long it is: a path past the
// kernel's limit is opened in pieces, each an openat below the one before.
// The flags apply to the last piece (O_CLOEXEC is added).
UniqueFd openDeep(const std::string& osPath, int flags);

// A whole file mapped read-only into memory, for as long as the object lives.
class MappedFile {
public:
    MappedFile() = default;
    // Maps the open file (a regular file); empty when it cannot be mapped or is empty.
    explicit MappedFile(int fd);
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    std::string_view bytes() const { return {m_data, m_size}; }
    bool mapped() const { return m_data != nullptr; }

private:
    void unmap();
    const char* m_data = nullptr;
    size_t m_size = 0;
};

// A write-only file with a large buffer. Once a write fails the writer stays
// failed, so a caller may check only at the end.
class BufferedWriter {
public:
    explicit BufferedWriter(UniqueFd fd, size_t bufferSize = 1 << 20);
    ~BufferedWriter();
    BufferedWriter(const BufferedWriter&) = delete;
    BufferedWriter& operator=(const BufferedWriter&) = delete;

    bool write(std::string_view bytes);
    bool writeLE32(std::uint32_t value);
    bool writeLE32(const std::uint32_t* values, size_t count);
    // Bytes handed to the writer so far.
    std::uint64_t size() const { return m_written + m_buffer.size(); }
    bool failed() const { return m_failed; }
    // Flushes, optionally syncs to disk, and closes; false on any failure so far.
    bool finish(bool sync);

private:
    bool flush();

    UniqueFd m_fd;
    std::string m_buffer;
    size_t m_capacity;
    std::uint64_t m_written = 0;
    bool m_failed = false;
};

// Reads a file line by line, lines of any length, telling a read error from the end.
class LineReader {
public:
    explicit LineReader(UniqueFd fd, size_t bufferSize = 1 << 20);

    enum class Status { Line, End, Error };
    // The next line without its line feed, and the byte offset where it starts.
    Status next(std::string_view& line, std::uint64_t& offset);

private:
    bool fill();

    UniqueFd m_fd;
    std::vector<char> m_buffer;
    size_t m_begin = 0;
    size_t m_end = 0;
    std::uint64_t m_offset = 0;  // file offset of m_buffer[m_begin]
    bool m_eof = false;
    bool m_error = false;
};

// Reads size bytes at offset; fewer only at the end of the file or on an error.
size_t readAt(int fd, void* buffer, size_t size, std::uint64_t offset);
// The bytes from offset up to size in all (fewer at the end or on an error).
std::string readRange(int fd, std::uint64_t offset, std::uint64_t size);

// Syncs a folder's entries to disk (after renames inside it). The path is UTF-8.
bool syncFolder(const std::string& osFolderPath);

}  // namespace zeph
