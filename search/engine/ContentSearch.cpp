#include "ContentSearch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/Codec.h"
#include "common/FileIO.h"
#include "common/Messages.h"
#include "common/Paths.h"

namespace zeph {

namespace {

const char kSourceName[] = "ContentSearch.cpp";

// Texts this component writes to standard output are also shown, so the
// windowed program never ends without a word.
[[noreturn]] void stdoutFatal(int code, const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    fatalExit(code, text, "系统文件丢失");
}

size_t characterCount(const std::string& gbk) {
    size_t count = 0;
    for (size_t i = 0; i < gbk.size(); ++count)
        i += static_cast<unsigned char>(gbk[i]) >= 0x80 ? 2 : 1;
    return count;
}

// Reads a file's bytes in order, but a hole (a sparse region, all zeros) longer
// than twice the longest form is given as only that many zeros: no window can
// then reach from the data before the hole to the data after it, and no match
// lies wholly inside zeros, since every form has a non-zero byte.
class SparseReader {
public:
    SparseReader(int fd, std::uint64_t size, size_t keepZeros)
        : m_fd(fd), m_size(size), m_keepZeros(keepZeros) {}

    // Fills up to want bytes; fewer only at the end of the file (or on an error).
    size_t fill(char* out, size_t want) {
        size_t n = 0;
        while (n < want && (m_pos < m_size || m_zeros > 0)) {
            if (m_zeros == 0 && m_dataEnd <= m_pos && !findData()) break;
            if (m_zeros > 0) {
                size_t take = std::min<std::uint64_t>(m_zeros, want - n);
                std::memset(out + n, 0, take);
                n += take;
                m_zeros -= take;
                continue;
            }
            size_t take = std::min<std::uint64_t>(m_dataEnd - m_pos, want - n);
            ssize_t got = ::pread(m_fd, out + n, take, static_cast<off_t>(m_pos));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {  // an error, or no progress: the file ends here
                m_pos = m_size;
                break;
            }
            n += static_cast<size_t>(got);
            m_pos += static_cast<std::uint64_t>(got);
        }
        return n;
    }

private:
    // Finds the next data region from m_pos, queueing the zeros of a hole before it.
    bool findData() {
        off_t data = ::lseek(m_fd, static_cast<off_t>(m_pos), SEEK_DATA);
        std::uint64_t start = data < 0 ? m_size : static_cast<std::uint64_t>(data);
        std::uint64_t hole = start - m_pos;
        if (hole > 0) {
            m_zeros = std::min<std::uint64_t>(hole, 2 * m_keepZeros);
            m_pos = start;
        }
        off_t end = m_pos < m_size ? ::lseek(m_fd, static_cast<off_t>(m_pos), SEEK_HOLE) : -1;
        m_dataEnd = end < 0 ? m_size : static_cast<std::uint64_t>(end);
        return m_zeros > 0 || m_pos < m_size;
    }

    int m_fd;
    std::uint64_t m_size;
    size_t m_keepZeros;
    std::uint64_t m_pos = 0;
    std::uint64_t m_dataEnd = 0;
    std::uint64_t m_zeros = 0;
};

}  // namespace

std::uint32_t contentHash(const char* bytes, size_t length) {
    std::uint32_t hash = 0;
    for (size_t i = 0; i < length; ++i)
        hash = hash * 17u + static_cast<std::uint32_t>(
                                static_cast<std::int32_t>(static_cast<signed char>(bytes[i])));
    return hash;
}

CContentSearch::CContentSearch(std::string programFolder)
    : m_programFolder(std::move(programFolder)) {}

std::optional<std::string> CContentSearch::refusal(const std::string& gbkText) {
    if (characterCount(gbkText) <= kMaxCharacters) return std::nullopt;
    return "文件中的字或词组最多只能有 " + std::to_string(kMaxCharacters) +
           " 个字符，请缩短后再搜索！";
}

std::string CContentSearch::loadTranslationForm(const std::string& text) {
    UniqueFd fd = openPath(joinPath(m_programFolder, "Translation.dat"), O_RDONLY);
    if (!fd.valid())
        stdoutFatal(-2, std::string("打开系统文件失败，请与开发商联系，异常点为文件 ") +
                            kSourceName + " 的第 75 行！\n");
    std::vector<unsigned char> table(65536 * 2);
    size_t got = 0;
    while (got < table.size()) {
        ssize_t n = ::read(fd.get(), table.data() + got, table.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    if (got < table.size())
        stdoutFatal(2, std::string("读取系统文件失败，请与开发商联系，异常点为文件 ") +
                           kSourceName + " 的第 83 行!\n");

    std::string form;
    for (size_t i = 0; i < text.size();) {
        unsigned code = static_cast<unsigned char>(text[i]);
        size_t length = 1;
        if (code >= 0x80) {
            code =
                code * 256 + (i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u);
            length = 2;
        }
        unsigned char low = table[2 * code], high = table[2 * code + 1];
        // A character the table cannot translate (such as a four-byte one)
        // leaves no usable two-byte form.
        if (code != 0 && low == 0 && high == 0) return {};
        form += static_cast<char>(low);
        form += static_cast<char>(high);
        i += length;
    }
    return form;
}

int CContentSearch::SetPattern(const std::string& gbkText) {
    m_forms.clear();
    m_prepared.clear();
    std::string utf16 = loadTranslationForm(gbkText);
    for (const std::string& form : {gbkText, utf16, toUtf8(gbkText).value_or(std::string())}) {
        if (!form.empty() && std::find(m_forms.begin(), m_forms.end(), form) == m_forms.end())
            m_forms.push_back(form);
    }
    m_window = gbkText.size();
    m_overlap = 0;
    for (const std::string& form : m_forms) {
        m_window = std::min(m_window, form.size());
        m_overlap = std::max(m_overlap, form.size() - 1);
    }
    // A byte pair absent from every form's window lets the window jump past it.
    const size_t block = m_window >= 2 ? 2 : 1;
    m_shift.assign(block == 2 ? 65536 : 256, static_cast<std::uint16_t>(m_window - block + 1));
    for (const std::string& form : m_forms) {
        for (size_t j = block - 1; j < m_window; ++j) {
            unsigned key = static_cast<unsigned char>(form[j]);
            if (block == 2)
                key |= static_cast<unsigned>(static_cast<unsigned char>(form[j - 1])) << 8;
            m_shift[key] =
                std::min<std::uint16_t>(m_shift[key], static_cast<std::uint16_t>(m_window - 1 - j));
        }
        m_prepared.push_back({form, contentHash(form.data(), m_window)});
    }
    m_buffer.resize(m_overlap + kChunkSize);
    return 0;
}

// Looks through the first n bytes of the buffer; the window ends at pos.
std::int64_t CContentSearch::scanChunk(size_t n) const {
    const char* data = m_buffer.data();
    const bool pairs = m_shift.size() == 65536;
    size_t pos = m_window - 1;
    while (pos < n) {
        unsigned key = static_cast<unsigned char>(data[pos]);
        if (pairs) key |= static_cast<unsigned>(static_cast<unsigned char>(data[pos - 1])) << 8;
        if (std::uint16_t shift = m_shift[key]; shift != 0) {
            pos += shift;
            continue;
        }
        size_t start = pos + 1 - m_window;
        std::uint32_t hash = contentHash(data + start, m_window);
        for (const Form& form : m_prepared) {
            // Equal hashes only nominate a window: its bytes decide.
            if (hash == form.hash && start + form.bytes.size() <= n &&
                std::memcmp(data + start, form.bytes.data(), form.bytes.size()) == 0)
                return static_cast<std::int64_t>(pos);
        }
        ++pos;
    }
    return -1;
}

std::int64_t CContentSearch::SearchFile(const std::string& gbkPath, const std::atomic<bool>* stop) {
    if (m_prepared.empty() || m_window == 0) return -1;
    // Non-blocking, so a FIFO or device never hangs the search; only regular
    // files (a link only when it leads to one) are read.
    UniqueFd fd = openPath(gbkPath, O_RDONLY | O_NONBLOCK);
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;

    SparseReader reader(fd.get(), static_cast<std::uint64_t>(st.st_size), m_overlap + 1);
    size_t kept = 0;  // bytes carried over from the previous chunk
    for (;;) {
        if (stop && stop->load()) return -1;
        size_t n = kept + reader.fill(m_buffer.data() + kept, kChunkSize);
        if (n == kept) return -1;
        if (std::int64_t found = scanChunk(n); found >= 0) return found;
        if (n < kept + kChunkSize) return -1;
        // Carry the bytes a straddling match of the longest form could start in.
        kept = std::min(m_overlap, n);
        std::memmove(m_buffer.data(), m_buffer.data() + n - kept, kept);
    }
}

}  // namespace zeph
