#include "ContentSearch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/Codec.h"
#include "common/EntryNames.h"
#include "common/FileIO.h"
#include "common/GbkChars.h"
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

// How often a byte turns up in files people search, roughly: the rarest byte
// of a form is the one memchr looks for.
int commonness(unsigned char b) {
    static const char kLetters[] = "etaoinsrhldcumfpgwybvkxjqz";  // most frequent first
    if (b == ' ' || b == 0) return 255;
    if (b == '\n' || b == 'e') return 240;
    if (const char* at = b >= 'a' && b <= 'z' ? std::strchr(kLetters, b) : nullptr)
        return 240 - 4 * static_cast<int>(at - kLetters);
    if (b >= 'A' && b <= 'Z') return commonness(static_cast<unsigned char>(b + 32)) - 60;
    if (b >= '0' && b <= '9') return 170;
    if (b == '\t' || b == '.' || b == ',' || b == '_' || b == '(' || b == ')') return 190;
    if (b == 0xFF) return 200;
    if (b >= 0x80) return 110;
    if (b < 0x20) return 60;
    return 150;  // other punctuation
}

// The first code point of UTF-8 text.
char32_t firstCodePoint(const std::string& utf8) {
    auto c = static_cast<unsigned char>(utf8[0]);
    int length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    char32_t point = length == 1 ? c : c & (0xFF >> (length + 1));
    for (int k = 1; k < length && k < static_cast<int>(utf8.size()); ++k)
        point = point << 6 | (static_cast<unsigned char>(utf8[static_cast<size_t>(k)]) & 0x3F);
    return point;
}

void appendUnit(std::string& out, unsigned unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
}

// Reads a file's bytes in order, but a hole (a sparse region, all zeros) longer
// than twice the longest form is given as only that many zeros: no window can
// then reach from the data before the hole to the data after it, and no match
// lies wholly inside zeros, since every form has a non-zero byte. Holes are
// looked for only in files with fewer blocks than their size needs.
class FileReader {
public:
    FileReader(int fd, const struct stat& st, size_t keepZeros)
        : m_fd(fd),
          m_size(static_cast<std::uint64_t>(st.st_size)),
          m_sparse(static_cast<std::uint64_t>(st.st_blocks) * 512 < m_size),
          m_keepZeros(keepZeros) {}

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
            ssize_t got = ::read(m_fd, out + n, take);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {  // an error, or the file shrank: it ends here
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
        if (!m_sparse) {
            m_dataEnd = m_size;
            return m_pos < m_size;
        }
        off_t data = ::lseek(m_fd, static_cast<off_t>(m_pos), SEEK_DATA);
        std::uint64_t start = data < 0 ? m_size : static_cast<std::uint64_t>(data);
        std::uint64_t hole = start - m_pos;
        if (hole > 0) {
            m_zeros = std::min<std::uint64_t>(hole, 2 * m_keepZeros);
            m_pos = start;
        }
        off_t end = m_pos < m_size ? ::lseek(m_fd, static_cast<off_t>(m_pos), SEEK_HOLE) : -1;
        m_dataEnd = end < 0 ? m_size : static_cast<std::uint64_t>(end);
        if (::lseek(m_fd, static_cast<off_t>(m_pos), SEEK_SET) < 0) return false;
        return m_zeros > 0 || m_pos < m_size;
    }

    int m_fd;
    std::uint64_t m_size;
    bool m_sparse;
    size_t m_keepZeros;
    std::uint64_t m_pos = 0;
    std::uint64_t m_dataEnd = 0;
    std::uint64_t m_zeros = 0;
};

// The run of lead-range bytes (0x81 and above) that ends just before start;
// runBefore is the run that ends at the buffer's start, back to a lower byte
// or to the file's start.
size_t leadRunBefore(const char* data, size_t start, size_t runBefore) {
    size_t run = 0;
    while (run < start && static_cast<unsigned char>(data[start - 1 - run]) >= 0x81) ++run;
    return run == start ? run + runBefore : run;
}

// True when a GBK match at start begins a character: the run of lead-range
// bytes just before it has even length. A byte below 0x81 always ends a
// character, and so does the file's start.
bool startsGbkCharacter(const char* data, size_t start, size_t runBefore) {
    return leadRunBefore(data, start, runBefore) % 2 == 0;
}

}  // namespace

// The forms, and for each distinct rarest byte the forms it anchors.
struct CContentSearch::Pattern {
    struct Form {
        std::string bytes;
        size_t anchor;     // position of its rarest byte
        bool gbkBoundary;  // the GBK form of a text with double-byte characters
        // Without case: the form with each letter in its other case, and the
        // length of each character at its first byte (both empty: no letter).
        std::string alternate;
        std::vector<std::uint8_t> units;
    };
    static void foldCase(Form& form, bool gbk, bool utf16);
    struct Anchor {
        unsigned char byte;
        std::vector<size_t> forms;
    };
    std::vector<std::string> texts;
    std::vector<Form> forms;
    std::vector<Anchor> anchors;
    size_t overlap = 0;  // bytes a match straddling two chunks can start in
};

CContentSearch::CContentSearch(std::string programFolder)
    : m_programFolder(std::move(programFolder)) {}

CContentSearch::CContentSearch(const CContentSearch& prepared)
    : m_programFolder(prepared.m_programFolder), m_pattern(prepared.m_pattern) {}

std::optional<std::string> CContentSearch::refusal(const std::string& gbkText) {
    if (characterCount(gbkText) <= kMaxCharacters) return std::nullopt;
    return "文件中的字或词组最多只能有 " + std::to_string(kMaxCharacters) +
           " 个字符，请缩短后再搜索！";
}

namespace {

std::vector<unsigned char> loadTranslationTable(const std::string& programFolder) {
    UniqueFd fd = openPath(joinPath(programFolder, "Translation.dat"), O_RDONLY);
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
    return table;
}

// The two-bytes-per-character form: each character's entry of the table; a
// four-byte character, which the table cannot hold, as its UTF-16 units.
std::string translationForm(const std::string& text, const std::vector<unsigned char>& table) {
    std::string form;
    for (size_t i = 0; i < text.size();) {
        if (characterLength(text, i) == 4) {
            auto utf8 = toUtf8(text.substr(i, 4));
            if (!utf8 || utf8->empty()) return {};
            char32_t point = firstCodePoint(*utf8);
            if (point >= 0x10000) {
                point -= 0x10000;
                appendUnit(form, 0xD800 + (point >> 10));
                appendUnit(form, 0xDC00 + (point & 0x3FF));
            } else {
                appendUnit(form, point);
            }
            i += 4;
            continue;
        }
        unsigned code = static_cast<unsigned char>(text[i]);
        size_t length = 1;
        if (code >= 0x80) {
            code =
                code * 256 + (i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u);
            length = 2;
        }
        unsigned char low = table[2 * code], high = table[2 * code + 1];
        // A character the table cannot translate leaves no usable two-byte form.
        if (code != 0 && low == 0 && high == 0) return {};
        form += static_cast<char>(low);
        form += static_cast<char>(high);
        i += length;
    }
    return form;
}

}  // namespace

namespace {

bool isAsciiLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The other case of a full-width Latin letter's low byte (Ａ U+FF21 and ａ
// U+FF41 in UTF-16, A3C1 and A3E1 in GBK): 0 when it is none.
unsigned char otherWideCase(unsigned char low, unsigned char upperFirst) {
    if (low >= upperFirst && low < upperFirst + 26) return static_cast<unsigned char>(low + 0x20);
    if (low >= upperFirst + 0x20 && low < upperFirst + 0x20 + 26)
        return static_cast<unsigned char>(low - 0x20);
    return 0;
}

}  // namespace

// Each character of a form, and its other case where the search is without
// case: ASCII letters and full-width Latin letters, in each encoding as it
// holds them (a GBK double-byte character's second byte is never a letter of
// its own, nor is a UTF-16 unit's byte).
void CContentSearch::Pattern::foldCase(Form& form, bool gbk, bool utf16) {
    const std::string& bytes = form.bytes;
    form.alternate = bytes;
    form.units.assign(bytes.size(), 0);
    bool any = false;
    auto unit = [&](size_t at, size_t length) {
        form.units[at] = static_cast<std::uint8_t>(length);
        any = any || form.alternate.compare(at, length, bytes, at, length) != 0;
    };
    for (size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const auto next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        size_t length = 1;
        if (utf16) {
            length = std::min<size_t>(2, bytes.size() - i);
            if (next == 0 && isAsciiLetter(c)) form.alternate[i] = static_cast<char>(c ^ 0x20);
            if (next == 0xFF && otherWideCase(c, 0x21))
                form.alternate[i] = static_cast<char>(otherWideCase(c, 0x21));
        } else if (gbk) {
            length = characterLength(bytes, i);
            if (length == 1 && isAsciiLetter(c)) form.alternate[i] = static_cast<char>(c ^ 0x20);
            if (length == 2 && c == 0xA3 && otherWideCase(next, 0xC1))
                form.alternate[i + 1] = static_cast<char>(otherWideCase(next, 0xC1));
        } else if (c < 0x80) {
            if (isAsciiLetter(c)) form.alternate[i] = static_cast<char>(c ^ 0x20);
        } else {
            length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
            length = std::min(length, bytes.size() - i);
            // Ａ-Ｚ are EF BC A1-BA, ａ-ｚ EF BD 81-9A.
            const auto third = i + 2 < bytes.size() ? static_cast<unsigned char>(bytes[i + 2]) : 0;
            if (c == 0xEF && next == 0xBC && third >= 0xA1 && third <= 0xBA) {
                form.alternate[i + 1] = static_cast<char>(0xBD);
                form.alternate[i + 2] = static_cast<char>(third - 0x20);
            } else if (c == 0xEF && next == 0xBD && third >= 0x81 && third <= 0x9A) {
                form.alternate[i + 1] = static_cast<char>(0xBC);
                form.alternate[i + 2] = static_cast<char>(third + 0x20);
            }
        }
        unit(i, length);
        i += length;
    }
    if (!any) {
        form.alternate.clear();
        form.units.clear();
    }
}

namespace {

}  // namespace

int CContentSearch::SetPattern(const std::string& gbkText, bool caseSensitive) {
    auto pattern = std::make_shared<Pattern>();
    std::string utf16 = translationForm(gbkText, loadTranslationTable(m_programFolder));
    std::string utf8 = toUtf8(gbkText).value_or(std::string());
    // Only GBK text with double-byte characters can match across characters;
    // an ASCII text is its own UTF-8 form and may follow any bytes.
    const bool gbkBoundary = gbkText != utf8;
    struct Candidate {
        std::string form;
        bool isGbk, isUtf16;
    };
    for (const auto& [form, isGbk, isUtf16] :
         {Candidate{gbkText, true, false}, Candidate{utf16, false, true}, Candidate{utf8, false, false}}) {
        if (form.empty() ||
            std::find(pattern->texts.begin(), pattern->texts.end(), form) != pattern->texts.end())
            continue;
        pattern->texts.push_back(form);
        Pattern::Form prepared{form, 0, isGbk && gbkBoundary, {}, {}};
        if (!caseSensitive) Pattern::foldCase(prepared, isGbk, isUtf16);
        // The anchor is the rarest byte, one whose case counts where there is one.
        auto folded = [&](size_t j) {
            return !prepared.alternate.empty() && prepared.alternate[j] != prepared.bytes[j];
        };
        size_t anchor = 0;
        for (size_t j = 1; j < form.size(); ++j) {
            const bool better = folded(anchor) != folded(j)
                                    ? folded(anchor)
                                    : commonness(static_cast<unsigned char>(form[j])) <
                                          commonness(static_cast<unsigned char>(form[anchor]));
            if (better) anchor = j;
        }
        prepared.anchor = anchor;
        pattern->forms.push_back(std::move(prepared));
        pattern->overlap = std::max(pattern->overlap, form.size() - 1);
    }
    auto addAnchor = [&](unsigned char byte, size_t f) {
        auto same = std::find_if(pattern->anchors.begin(), pattern->anchors.end(),
                                 [&](const Pattern::Anchor& a) { return a.byte == byte; });
        if (same == pattern->anchors.end())
            pattern->anchors.push_back({byte, {f}});
        else
            same->forms.push_back(f);
    };
    for (size_t f = 0; f < pattern->forms.size(); ++f) {
        const auto& form = pattern->forms[f];
        auto byte = static_cast<unsigned char>(form.bytes[form.anchor]);
        addAnchor(byte, f);
        // An anchor of either case: the other case is looked for too.
        if (!form.alternate.empty() && form.alternate[form.anchor] != form.bytes[form.anchor])
            addAnchor(static_cast<unsigned char>(form.alternate[form.anchor]), f);
    }
    m_pattern = std::move(pattern);
    return 0;
}

const std::vector<std::string>& CContentSearch::forms() const {
    static const std::vector<std::string> none;
    return m_pattern ? m_pattern->texts : none;
}

namespace {

// Whether the bytes at data are the form's, each letter in either case where it allows.
bool sameBytes(const char* data, const std::string& bytes, const std::string& alternate,
               const std::vector<std::uint8_t>& units) {
    if (alternate.empty()) return std::memcmp(data, bytes.data(), bytes.size()) == 0;
    for (size_t i = 0; i < bytes.size(); i += units[i])
        if (std::memcmp(data + i, bytes.data() + i, units[i]) != 0 &&
            std::memcmp(data + i, alternate.data() + i, units[i]) != 0)
            return false;
    return true;
}

}  // namespace

// The end of the first match in the first n bytes of the buffer, or -1.
std::int64_t CContentSearch::scanChunk(size_t n, size_t runBefore) const {
    const char* data = m_buffer.data();
    std::int64_t first = -1;
    for (const Pattern::Anchor& anchor : m_pattern->anchors) {
        const char* end = data + n;
        for (const char* hit = data;
             (hit = static_cast<const char*>(std::memchr(hit, anchor.byte, end - hit))) != nullptr;
             ++hit) {
            const size_t pos = static_cast<size_t>(hit - data);
            if (first >= 0 && pos >= static_cast<size_t>(first)) break;  // nothing earlier left
            for (size_t f : anchor.forms) {
                const Pattern::Form& form = m_pattern->forms[f];
                if (pos < form.anchor) continue;
                size_t start = pos - form.anchor;
                if (start + form.bytes.size() > n || !sameBytes(data + start, form.bytes, form.alternate, form.units)) continue;
                if (form.gbkBoundary && !startsGbkCharacter(data, start, runBefore)) continue;
                auto last = static_cast<std::int64_t>(start + form.bytes.size() - 1);
                if (first < 0 || last < first) first = last;
            }
        }
    }
    return first;
}

std::int64_t CContentSearch::searchOpenFile(int fd, const std::atomic<bool>* stop) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    const size_t overlap = m_pattern->overlap;
    if (m_buffer.size() < overlap + kChunkSize) m_buffer.resize(overlap + kChunkSize);
    FileReader reader(fd, st, overlap + 1);
    size_t kept = 0;       // bytes carried over from the previous chunk
    size_t runBefore = 0;  // lead-range bytes just before the buffer's start
    for (;;) {
        if (stop && stop->load(std::memory_order_relaxed)) return -1;
        size_t n = kept + reader.fill(m_buffer.data() + kept, kChunkSize);
        if (n == kept) return -1;
        if (std::int64_t found = scanChunk(n, runBefore); found >= 0) return found;
        if (n < kept + kChunkSize) return -1;
        // Carry the bytes a straddling match of the longest form could start in.
        kept = std::min(overlap, n);
        runBefore = leadRunBefore(m_buffer.data(), n - kept, runBefore);
        std::memmove(m_buffer.data(), m_buffer.data() + n - kept, kept);
    }
}

std::int64_t CContentSearch::SearchFile(const std::string& gbkPath, const std::atomic<bool>* stop) {
    if (!m_pattern || m_pattern->forms.empty()) return -1;
    std::string path = osPathOf(gbkPath);
    if (path.empty()) return -1;
    // Non-blocking, so a FIFO or device never hangs the search.
    UniqueFd fd = openDeep(path, O_RDONLY | O_NONBLOCK);
    return fd.valid() ? searchOpenFile(fd.get(), stop) : -1;
}

std::int64_t CContentSearch::SearchFileAt(int dirFd, const char* osName,
                                          const std::atomic<bool>* stop) {
    if (!m_pattern || m_pattern->forms.empty()) return -1;
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
    UniqueFd fd(::openat(dirFd, osName, flags | O_NOFOLLOW));
    // A symbolic link is read only when it leads to a regular file.
    if (!fd.valid() && errno == ELOOP) fd = UniqueFd(::openat(dirFd, osName, flags));
    return fd.valid() ? searchOpenFile(fd.get(), stop) : -1;
}

}  // namespace zeph
