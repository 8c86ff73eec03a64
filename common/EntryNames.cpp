#include "EntryNames.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "common/Codec.h"
#include "common/FileIO.h"
#include "common/GbkChars.h"
#include "common/Paths.h"

namespace zeph {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void appendEscaped(std::string& out, unsigned char byte) {
    switch (byte) {
        case '\t':
            out += "\\t";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\\':
            out += "\\\\";
            return;
        default:
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
    }
}

bool needsEscape(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == '\\';
}

// Bytes that are not UTF-8, taken as GB18030 characters where they are, and
// escaped where they are not; their backslashes are escaped as well.
std::string fromOtherBytes(std::string_view bytes) {
    std::string held;
    for (size_t at = 0; at < bytes.size();) {
        size_t length = characterLength(bytes, at);
        std::string_view character = bytes.substr(at, length);
        if (length > 1 && toUtf8(character)) {
            held.append(character);
        } else if (static_cast<unsigned char>(bytes[at]) < 0x80 && !needsEscape(bytes[at])) {
            held += bytes[at];
            length = 1;
        } else {
            appendEscaped(held, static_cast<unsigned char>(bytes[at]));
            length = 1;
        }
        at += length;
    }
    return held;
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

bool isEscapedName(std::string_view held) {
    for (size_t at = 0; at + 1 < held.size(); at += characterLength(held, at)) {
        if (held[at] != '\\') continue;
        char next = held[at + 1];
        if (next == 't' || next == 'n' || next == 'r' || next == 'x' || next == '\\') return true;
    }
    return false;
}

// A name in UTF-8 is held as its GBK form unless that holds a byte that needs
// an escape or text that reads as one; then its backslashes are escaped too,
// so no two names share a held form (a TAB and a backslash followed by 't').
std::string indexedName(std::string_view osName) {
    std::optional<std::string> gbk = toGbk(osName);
    if (!gbk) return fromOtherBytes(osName);
    bool plain = !isEscapedName(*gbk);
    for (size_t at = 0; plain && at < gbk->size(); at += characterLength(*gbk, at))
        plain = (*gbk)[at] != '\t' && (*gbk)[at] != '\n' && (*gbk)[at] != '\r';
    if (plain) return std::move(*gbk);
    std::string escaped;
    for (size_t at = 0; at < gbk->size();) {
        size_t length = characterLength(*gbk, at);
        if (length == 1 && needsEscape((*gbk)[at]))
            appendEscaped(escaped, static_cast<unsigned char>((*gbk)[at]));
        else
            escaped.append(*gbk, at, length);
        at += length;
    }
    return escaped;
}

std::string osNameIn(int dirFd, std::string_view gbkName) {
    int copy = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0) return {};
    std::unique_ptr<DIR, DirCloser> dir(fdopendir(copy));
    if (!dir) {
        ::close(copy);
        return {};
    }
    while (dirent* entry = readdir(dir.get()))
        if (indexedName(entry->d_name) == gbkName) return entry->d_name;
    return {};
}

std::string osPathOf(std::string_view gbkPath) {
    std::string os = osPath(gbkPath);
    struct stat st;
    if (!os.empty() && !isEscapedName(gbkPath) && ::lstat(os.c_str(), &st) == 0) return os;
    if (gbkPath.empty() || gbkPath[0] != '/') return os;
    // Component by component: each as its UTF-8 form when that is there, else
    // as the entry held under its name.
    std::string found = "/";
    size_t at = 1;
    while (at < gbkPath.size()) {
        size_t end = gbkPath.find('/', at);
        if (end == std::string_view::npos) end = gbkPath.size();
        std::string_view component = gbkPath.substr(at, end - at);
        at = end + 1;
        if (component.empty()) continue;
        std::string next = joinPath(found, osPath(component));
        if (osPath(component).empty() || isEscapedName(component) ||
            ::lstat(next.c_str(), &st) != 0) {
            UniqueFd folder = openDeep(found, O_RDONLY | O_DIRECTORY);
            std::string name = folder.valid() ? osNameIn(folder.get(), component) : std::string();
            if (name.empty()) return {};
            next = joinPath(found, name);
        }
        found = std::move(next);
    }
    return found;
}

}  // namespace zeph
