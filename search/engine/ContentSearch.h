// Content search: whether a file's bytes hold the content text in any of its
// forms: the GBK bytes as typed, the two-bytes-per-character form built through
// Translation.dat (UTF-16LE; a character beyond the two-byte range becomes its
// surrogate pair), and the UTF-8 form. The file is read once, a chunk at a
// time; in each chunk memchr finds the occurrences of each form's rarest byte
// and only there is a window compared byte for byte. A GBK match must start at
// a character, never inside a double-byte one.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zeph {

class CContentSearch {
public:
    static constexpr size_t kChunkSize = 256 * 1024;
    static constexpr size_t kMaxCharacters = 150;

    explicit CContentSearch(std::string programFolder);
    // A searcher of its own (its own buffer) for the pattern another one
    // prepared: one per worker thread.
    CContentSearch(const CContentSearch& prepared);
    CContentSearch& operator=(const CContentSearch&) = delete;

    // The message that refuses a text too long to search for, or nullopt when it fits.
    static std::optional<std::string> refusal(const std::string& gbkText);

    // Loads Translation.dat and prepares the forms; a missing or short table
    // ends the process (exit codes -2 and 2).
    // caseSensitive false: ASCII and full-width Latin letters match in either
    // case, in every encoding a file may hold them.
    int SetPattern(const std::string& gbkText, bool caseSensitive = true);

    // The position in its chunk of the last byte of the first match, or -1 when
    // the file holds no form of the text, is no regular file (a link counts
    // when it leads to one), cannot be read, or the stop flag was set.
    std::int64_t SearchFile(const std::string& gbkPath, const std::atomic<bool>* stop = nullptr);
    // The same for the file named osName (system encoding) in the folder dirFd.
    std::int64_t SearchFileAt(int dirFd, const char* osName, const std::atomic<bool>* stop);

    // The forms being looked for (for tests).
    const std::vector<std::string>& forms() const;

private:
    struct Pattern;
    std::int64_t searchOpenFile(int fd, const std::atomic<bool>* stop);
    std::int64_t scanChunk(size_t n, size_t runBefore) const;

    std::string m_programFolder;
    std::shared_ptr<const Pattern> m_pattern;
    std::vector<char> m_buffer;
};

}  // namespace zeph
