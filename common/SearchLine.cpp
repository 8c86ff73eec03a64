#include "SearchLine.h"

#include <re2/re2.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/Codec.h"
#include "common/DateRanges.h"
#include "common/GbkChars.h"
#include "common/Paths.h"

namespace zeph {

namespace {

constexpr std::int64_t kLargest = std::numeric_limits<std::int64_t>::max();

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isSeparator(char c) {
    return isSpace(c) || c == ',';
}

std::string lowerAscii(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lowered;
}

// A size with its unit (b, k, kb, m, mb, g, gb: powers of 1,024); nullopt
// when it is none.
std::optional<std::int64_t> bytes(std::string_view text) {
    std::string lowered = lowerAscii(text);
    size_t digits = 0;
    while (digits < lowered.size() &&
           ((lowered[digits] >= '0' && lowered[digits] <= '9') || lowered[digits] == '.'))
        ++digits;
    if (digits == 0) return std::nullopt;
    double value = 0;
    try {
        size_t used = 0;
        value = std::stod(lowered.substr(0, digits), &used);
        if (used != digits) return std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
    const std::string unit = lowered.substr(digits);
    double scale = 0;
    if (unit.empty() || unit == "b") scale = 1;
    else if (unit == "k" || unit == "kb") scale = 1024.0;
    else if (unit == "m" || unit == "mb") scale = 1024.0 * 1024;
    else if (unit == "g" || unit == "gb") scale = 1024.0 * 1024 * 1024;
    else return std::nullopt;
    const double total = std::round(value * scale);
    if (total >= 9.2e18) return std::nullopt;
    return static_cast<std::int64_t>(total);
}

std::optional<std::pair<std::int64_t, std::int64_t>> sizeRange(std::string_view text) {
    if (text == "empty") return std::make_pair(std::int64_t{0}, std::int64_t{0});
    if (size_t dots = text.find(".."); dots != std::string_view::npos) {
        auto low = dots == 0 ? std::optional<std::int64_t>(0) : bytes(text.substr(0, dots));
        auto high = dots + 2 == text.size() ? std::optional<std::int64_t>(kLargest)
                                            : bytes(text.substr(dots + 2));
        if (!low || !high || *low > *high) return std::nullopt;
        return std::make_pair(*low, *high);
    }
    for (std::string_view op : {">=", "<=", ">", "<"}) {
        if (!text.starts_with(op)) continue;
        auto value = bytes(text.substr(op.size()));
        if (!value) return std::nullopt;
        if (op == ">=") return std::make_pair(*value, kLargest);
        if (op == "<=") return std::make_pair(std::int64_t{0}, *value);
        if (op == ">") return std::make_pair(*value + 1, kLargest);
        if (*value == 0) return std::nullopt;
        return std::make_pair(std::int64_t{0}, *value - 1);
    }
    auto value = bytes(text);
    if (!value) return std::nullopt;
    return std::make_pair(*value, *value);
}

std::optional<bool> switchValue(std::string_view value) {
    std::string lowered = lowerAscii(value);
    if (lowered.empty() || lowered == "on" || lowered == "yes" || lowered == "true" || lowered == "1")
        return true;
    if (lowered == "off" || lowered == "no" || lowered == "false" || lowered == "0") return false;
    return std::nullopt;
}

// The folder a value names: ~ is the home folder; nullopt for a relative one.
std::optional<std::string> absoluteFolder(std::string_view value, const std::string& home) {
    if (value == "~" || value.starts_with("~/"))
        return normalizeFolder(home + std::string(value.substr(1)));
    if (value.starts_with("/")) return normalizeFolder(value);
    return std::nullopt;
}

}  // namespace

const std::vector<std::string_view>& filterNames() {
    static const std::vector<std::string_view> names = {
        "ext", "type", "size", "dm", "dc", "da", "in", "path", "parent", "file",
        "folder", "hidden", "content", "case", "exact", "regex"};
    return names;
}

const std::vector<std::pair<std::string_view, int>>& typeAliases() {
    static const std::vector<std::pair<std::string_view, int>> aliases = {
        {"文本", 1},   {"文档", 1},   {"wenben", 1}, {"wendang", 1}, {"text", 1},
        {"doc", 1},    {"document", 1}, {"图片", 2}, {"图像", 2},    {"tupian", 2},
        {"picture", 2}, {"image", 2}, {"photo", 2},  {"音视频", 3},  {"音频", 3},
        {"视频", 3},   {"yinshipin", 3}, {"yinpin", 3}, {"shipin", 3}, {"audio", 3},
        {"video", 3},  {"media", 3},  {"music", 3},  {"二进制", 4},  {"程序", 4},
        {"erjinzhi", 4}, {"binary", 4}, {"program", 4}, {"其它", 5}, {"其他", 5},
        {"qita", 5},   {"other", 5}};
    return aliases;
}

SearchLine parseSearchLine(std::string_view line, const LineContext& context) {
    SearchLine parsed;
    auto fail = [&](size_t begin, size_t end, std::string message) {
        if (!parsed.error) parsed.error = SearchLine::Error{begin, end, std::move(message)};
    };
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && isSeparator(line[at])) ++at;
        if (at >= line.size()) break;
        const size_t start = at;
        // A filter: !name: with a known name, then its value up to white space
        // (commas belong to it: ext:pdf,docx), or quoted.
        size_t nameStart = start + (line[start] == '!' ? 1 : 0);
        size_t colon = nameStart;
        while (colon < line.size() && line[colon] >= 'a' && line[colon] <= 'z') ++colon;
        const std::string_view filterName = line.substr(nameStart, colon - nameStart);
        const bool known = colon < line.size() && line[colon] == ':' &&
                           std::find(filterNames().begin(), filterNames().end(), filterName) !=
                               filterNames().end();
        if (!known) {
            // A word of the name, quotes and all, as the name matcher reads it.
            bool quoted = false;
            while (at < line.size() && (quoted || !isSeparator(line[at]))) {
                if (line[at] == '"') quoted = !quoted;
                at += characterLength(line, at);
            }
            if (!parsed.name.empty()) parsed.name += ' ';
            parsed.name.append(line.substr(start, at - start));
            continue;
        }
        std::string value;
        at = colon + 1;
        if (at < line.size() && line[at] == '"') {
            size_t close = line.find('"', at + 1);
            if (close == std::string_view::npos) {
                fail(start, line.size(), "引号没有结束");
                close = line.size();
            }
            value = line.substr(at + 1, close - at - 1);
            at = std::min(line.size(), close + 1);
        } else {
            while (at < line.size() && !isSpace(line[at])) at += characterLength(line, at);
            value = line.substr(colon + 1, at - colon - 1);
        }
        const size_t end = at;
        parsed.filterSpans.push_back({start, end});
        const bool negated = nameStart != start;
        const std::string shown(line.substr(start, end - start));
        LineFilter filter;
        filter.negated = negated;
        if (filterName == "ext") {
            for (size_t from = 0; from <= value.size();) {
                size_t cut = value.find_first_of(";,", from);
                if (cut == std::string::npos) cut = value.size();
                std::string suffix = lowerAscii(std::string_view(value).substr(from, cut - from));
                while (!suffix.empty() && suffix[0] == '.') suffix.erase(0, 1);
                if (!suffix.empty()) filter.suffixes.push_back(suffix);
                from = cut + 1;
            }
            if (filter.suffixes.empty()) fail(start, end, shown + "：请写出后缀，例如 ext:pdf;docx");
        } else if (filterName == "type") {
            filter.kind = LineFilter::Type;
            const std::string lowered = lowerAscii(value);
            for (const auto& [alias, type] : typeAliases())
                if (alias == lowered) filter.type = type;
            if (filter.type == 0)
                fail(start, end, shown + "：没有这种类型（可写 文本、图片、音视频、二进制、其它）");
        } else if (filterName == "size") {
            filter.kind = LineFilter::Size;
            if (auto range = sizeRange(lowerAscii(value))) {
                filter.from = range->first;
                filter.to = range->second;
            } else {
                fail(start, end,
                     shown + "：不是大小（例如 size:>10mb、size:<1k、size:1mb..5mb、size:empty）");
            }
        } else if (filterName == "dm" || filterName == "dc" || filterName == "da") {
            filter.kind = filterName == "dm"   ? LineFilter::Modified
                          : filterName == "dc" ? LineFilter::Created
                                               : LineFilter::Accessed;
            std::string why;
            if (auto range = parseTimeRange(lowerAscii(value), context.now, why)) {
                filter.from = range->from;
                filter.to = range->to;
            } else {
                fail(start, end, shown + "：" + why);
            }
        } else if (filterName == "in" || filterName == "path" || filterName == "parent") {
            filter.kind = filterName == "parent" ? LineFilter::Parent : LineFilter::Below;
            if (auto folder = absoluteFolder(value, context.home)) {
                filter.folder = *folder;
            } else if (filter.kind == LineFilter::Below && !value.empty()) {
                filter.relative = true;
                filter.folder = value;
                while (!filter.folder.empty() && filter.folder.back() == '/') filter.folder.pop_back();
                while (!filter.folder.empty() && filter.folder.front() == '/') filter.folder.erase(0, 1);
            } else {
                fail(start, end, shown + "：请写出文件夹，例如 in:~/Documents 或 parent:/data");
            }
        } else if (filterName == "file" || filterName == "folder") {
            auto on = switchValue(value);
            if (!on) fail(start, end, shown + "：可写 on 或 off，或不写");
            filter.kind = filterName == "file" ? LineFilter::Files : LineFilter::Folders;
            filter.negated = negated == on.value_or(true);  // !file: and file:off alike
        } else if (filterName == "hidden" || filterName == "case" || filterName == "exact") {
            auto on = switchValue(value);
            if (!on) {
                fail(start, end, shown + "：可写 on 或 off，或不写");
                continue;
            }
            bool wanted = *on != negated;
            (filterName == "hidden" ? parsed.hidden
             : filterName == "case" ? parsed.caseSensitive
                                    : parsed.exact) = wanted;
            continue;
        } else if (filterName == "content") {
            if (negated) fail(start, end, shown + "：内容条件不能排除");
            else if (value.empty()) fail(start, end, shown + "：请写出要查找的文字");
            else if (parsed.content && *parsed.content != value)
                fail(start, end, shown + "：一次只能查找一段内容");
            else parsed.content = value;
            continue;
        } else if (filterName == "regex") {
            filter.kind = LineFilter::Regex;
            std::string_view pattern = value;
            if (pattern.starts_with("path:")) {
                filter.wholePath = true;
                pattern.remove_prefix(5);
            }
            auto utf8 = toUtf8(pattern);
            if (!utf8 || pattern.empty()) {
                fail(start, end, shown + "：请写出正则表达式");
            } else {
                RE2::Options options;
                options.set_log_errors(false);
                RE2 check(*utf8, options);
                if (!check.ok())
                    fail(start, end, shown + "：正则表达式有误（" +
                                         toGbk(check.error()).value_or(check.error()) + "）");
                filter.pattern = *utf8;
            }
        }
        parsed.filters.push_back(std::move(filter));
    }
    return parsed;
}

}  // namespace zeph
