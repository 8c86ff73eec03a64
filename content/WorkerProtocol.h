// What the content index and its extraction workers say to each other over
// a local socket: a request names a file and its kind, the answer carries its
// text.
//   request: u32 kind, u32 CPU seconds, u64 text cap, u64 path length, path bytes
//   answer:  u32 outcome, u32 cut, u64 text length, text, u64 reason length, reason
// Numbers are little-endian as the machine writes them (both ends are one build).
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace zeph::content::protocol {

// The answer's outcome: read, unreadable for good, or past the memory bound
// (worth another try in a fresh worker).
inline constexpr std::uint32_t kRead = 0, kUnreadable = 1, kOutOfMemory = 2;

inline bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// The same over a socket, without a SIGPIPE when the other end is gone.
inline bool sendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

inline bool readAll(int fd, char* into, size_t size) {
    while (size > 0) {
        ssize_t n = ::read(fd, into, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        into += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

template <class Number>
void put(std::string& out, Number value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

inline void putBytes(std::string& out, std::string_view bytes) {
    put<std::uint64_t>(out, bytes.size());
    out.append(bytes);
}

template <class Number>
std::optional<Number> get(int fd) {
    Number value;
    if (!readAll(fd, reinterpret_cast<char*>(&value), sizeof value)) return std::nullopt;
    return value;
}

// Bytes of a length read first, refused past atMost.
inline std::optional<std::string> getBytes(int fd, std::uint64_t atMost) {
    auto length = get<std::uint64_t>(fd);
    if (!length || *length > atMost) return std::nullopt;
    std::string bytes(*length, '\0');
    if (!readAll(fd, bytes.data(), bytes.size())) return std::nullopt;
    return bytes;
}

}  // namespace zeph::content::protocol
