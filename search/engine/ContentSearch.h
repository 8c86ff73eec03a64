// Content search: whether a file's bytes hold the content text in any of its
// forms: the GBK bytes as typed, the two-bytes-per-character form built through
// Translation.dat (UTF-16LE), and the UTF-8 form. All forms are looked for in
// one pass over each 5 MiB chunk: a window as long as the shortest form slides
// by a shift table keyed on the window's last two bytes (one byte for a
// one-byte text), and a hash picks the windows worth comparing byte for byte.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zeph {

class CContentSearch {
public:
    static constexpr size_t kChunkSize = 5 * 1024 * 1024;
    static constexpr size_t kMaxCharacters = 150;

    explicit CContentSearch(std::string programFolder);

    // The message that refuses a text too long to search for, or nullopt when it fits.
    static std::optional<std::string> refusal(const std::string& gbkText);

    // Loads Translation.dat and prepares the forms; a missing or short table
    // ends the process (exit codes -2 and 2).
    int SetPattern(const std::string& gbkText);

    // The position in its chunk of the last byte of the first match, or -1 when
    // the file holds no form of the text, is no regular file, cannot be read,
    // or the stop flag was set.
    std::int64_t SearchFile(const std::string& gbkPath, const std::atomic<bool>* stop = nullptr);

    // The forms being looked for (for tests).
    const std::vector<std::string>& forms() const { return m_forms; }

private:
    struct Form {
        std::string bytes;
        std::uint32_t hash;
    };
    std::string loadTranslationForm(const std::string& text);
    std::int64_t scanChunk(size_t n) const;

    std::string m_programFolder;
    std::vector<std::string> m_forms;
    std::vector<Form> m_prepared;
    size_t m_window = 0;
    size_t m_overlap = 0;
    // Shift by the window's last two bytes (first * 256 + second), or by its
    // last byte when the window is one byte long.
    std::vector<std::uint16_t> m_shift;
    std::vector<char> m_buffer;
};

// The hash of the content search: h = h * 17 + byte (as a signed byte), wrapping.
std::uint32_t contentHash(const char* bytes, size_t length);

}  // namespace zeph
