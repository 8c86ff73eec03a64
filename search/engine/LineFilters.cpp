#include "LineFilters.h"

#include <re2/re2.h>

#include <algorithm>

#include "common/Codec.h"
#include "common/Paths.h"

namespace zeph {

namespace {

std::int64_t timeOf(const FileListLine& line, LineFilter::Kind kind) {
    switch (kind) {
        case LineFilter::Created:
            return line.times.created;
        case LineFilter::Accessed:
            return line.times.accessed;
        default:
            return line.times.modified;
    }
}

// The literal runs every match of a pattern holds: characters outside any
// group, class or escape that no quantifier may take away. Nothing for a
// pattern with an alternative, which may match without any of them.
std::string longestLiteral(std::string_view pattern) {
    if (pattern.find('|') != std::string_view::npos) return {};
    std::string best, run;
    auto endRun = [&] {
        if (run.size() > best.size()) best = run;
        run.clear();
    };
    int depth = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (c == '\\') {
            endRun();
            ++i;
            continue;
        }
        if (c == '(' || c == '[') ++depth;
        if (c == ')' || c == ']') --depth;
        const bool special = std::string_view("()[]{}.^$*+?").find(c) != std::string_view::npos;
        if (depth > 0 || special || next == '?' || next == '*' || next == '{') {
            endRun();
            continue;
        }
        run += c;
    }
    endRun();
    return best;
}

}  // namespace

LineFilters::LineFilters(std::vector<LineFilter> filters, bool caseSensitive)
    : m_filters(std::move(filters)) {
    for (const LineFilter& filter : m_filters) {
        if (filter.kind != LineFilter::Regex) {
            m_patterns.push_back(nullptr);
            continue;
        }
        RE2::Options options;
        options.set_log_errors(false);
        options.set_case_sensitive(caseSensitive);
        m_patterns.push_back(std::make_unique<RE2>(filter.pattern, options));
    }
}

LineFilters::~LineFilters() = default;

bool LineFilters::accepts(const FileListLine& line, bool isFolder, std::string_view loweredSuffix,
                          int suffixType) const {
    for (size_t i = 0; i < m_filters.size(); ++i)
        if (acceptsOne(i, line, isFolder, loweredSuffix, suffixType) == m_filters[i].negated)
            return false;
    return true;
}

bool LineFilters::acceptsOne(size_t index, const FileListLine& line, bool isFolder,
                             std::string_view loweredSuffix, int suffixType) const {
    const LineFilter& filter = m_filters[index];
    switch (filter.kind) {
        case LineFilter::Extension:
            return !isFolder && std::find(filter.suffixes.begin(), filter.suffixes.end(),
                                          loweredSuffix) != filter.suffixes.end();
        case LineFilter::Type:
            return !isFolder && suffixType == filter.type;
        case LineFilter::Size:
            return line.size >= filter.from && line.size <= filter.to;
        case LineFilter::Modified:
        case LineFilter::Created:
        case LineFilter::Accessed: {
            const std::int64_t time = timeOf(line, filter.kind);
            return time >= filter.from && time <= filter.to;
        }
        case LineFilter::Below: {
            if (!filter.relative) return folderContains(filter.folder, line.folder);
            // A folder of that name (or names) anywhere on the path.
            std::string path = std::string(line.folder) + "/";
            return path.find("/" + filter.folder + "/") != std::string::npos;
        }
        case LineFilter::Parent:
            return normalizeFolder(line.folder) == filter.folder;
        case LineFilter::Files:
            return !isFolder;
        case LineFilter::Folders:
            return isFolder;
        case LineFilter::Regex: {
            const re2::RE2& pattern = *m_patterns[index];
            if (!pattern.ok()) return false;
            const std::string held = filter.wholePath ? joinPath(line.folder, line.name)
                                                      : std::string(line.name);
            return RE2::PartialMatch(isAscii(held) ? held : toUtf8Lossy(held), pattern);
        }
    }
    return false;
}

std::optional<std::vector<std::string>> LineFilters::requiredSuffixes(
    const std::vector<LineFilter>& filters) {
    for (const LineFilter& filter : filters)
        if (filter.kind == LineFilter::Extension && !filter.negated) return filter.suffixes;
    return std::nullopt;
}

std::string LineFilters::requiredNameText(const std::vector<LineFilter>& filters) {
    for (const LineFilter& filter : filters) {
        if (filter.kind != LineFilter::Regex || filter.negated || filter.wholePath) continue;
        std::string literal = longestLiteral(filter.pattern);
        if (literal.empty()) continue;
        auto gbk = toGbk(literal);
        if (gbk) return *gbk;
    }
    return {};
}

}  // namespace zeph
