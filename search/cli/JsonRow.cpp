#include "JsonRow.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>

#include "common/Codec.h"

namespace zeph {

namespace {

void appendString(std::string& out, std::string_view utf8) {
    out += '"';
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

std::string base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) value |= static_cast<unsigned char>(bytes[i + 2]);
        out += kDigits[(value >> 18) & 63];
        out += kDigits[(value >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(value >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[value & 63] : '=';
    }
    return out;
}

// "key": text, and "key_base64": bytes when the bytes are not UTF-8.
void appendBytes(std::string& out, const char* key, std::string_view bytes) {
    out += '"';
    out += key;
    out += "\": ";
    const bool utf8 = isUtf8(bytes);
    appendString(out, utf8 ? std::string(bytes) : repairedUtf8(bytes));
    if (utf8) return;
    out += ", \"";
    out += key;
    out += "_base64\": \"" + base64(bytes) + '"';
}

void appendTime(std::string& out, const char* key, std::optional<struct timespec> time) {
    out += ", \"";
    out += key;
    out += "\": ";
    std::tm local{};
    if (!time || !::localtime_r(&time->tv_sec, &local)) {
        out += "null";
        return;
    }
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    std::string iso(text);
    if (iso.size() >= 5) iso.insert(iso.size() - 2, ":");  // +0800 as +08:00
    appendString(out, iso);
}

}  // namespace

std::string jsonRow(const std::string& systemPath, std::string_view gbkTypeText,
                    const std::optional<std::string>& snippet) {
    size_t slash = systemPath.rfind('/');
    std::string_view path(systemPath);
    std::string_view name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    std::string_view folder = slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
    struct statx st {};
    const bool known = ::statx(AT_FDCWD, systemPath.c_str(), AT_SYMLINK_NOFOLLOW,
                               STATX_BASIC_STATS | STATX_BTIME, &st) == 0;
    auto time = [&](const struct statx_timestamp& t, bool present) -> std::optional<struct timespec> {
        if (!known || !present) return std::nullopt;
        return timespec{static_cast<time_t>(t.tv_sec), static_cast<long>(t.tv_nsec)};
    };
    std::string out = "{";
    appendBytes(out, "path", path);
    out += ", ";
    appendBytes(out, "name", name);
    out += ", ";
    appendBytes(out, "folder", folder);
    out += ", \"size\": ";
    out += known ? std::to_string(st.stx_size) : "null";
    appendTime(out, "modified", time(st.stx_mtime, true));
    appendTime(out, "created", time(st.stx_btime, (st.stx_mask & STATX_BTIME) != 0));
    appendTime(out, "accessed", time(st.stx_atime, true));
    out += ", \"kind\": ";
    out += !known                       ? "null"
           : S_ISDIR(st.stx_mode)        ? "\"folder\""
           : S_ISLNK(st.stx_mode)        ? "\"link\""
           : S_ISREG(st.stx_mode)        ? "\"file\""
                                         : "\"other\"";
    out += ", \"type\": ";
    appendString(out, toUtf8Lossy(gbkTypeText));
    if (snippet) {
        out += ", \"snippet\": ";
        appendString(out, repairedUtf8(*snippet));
    }
    out += "}";
    return out;
}

}  // namespace zeph
