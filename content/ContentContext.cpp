#include "ContentContext.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "common/Codec.h"
#include "common/EntryNames.h"
#include "common/FileIO.h"
#include "common/Paths.h"
#include "content/ContentStore.h"
#include "content/DocumentKind.h"
#include "content/SearchForm.h"

namespace zeph::content {

namespace {

// A file read for its context, at most this much.
constexpr std::uint64_t kReadAtMost = 16u << 20;

// Moves a cut to the start of the character it falls in.
size_t characterStart(std::string_view text, size_t at) {
    while (at > 0 && at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
        --at;
    return at;
}

}  // namespace

std::optional<Context> contextIn(std::string_view text, std::string_view utf8Word, int lines,
                                 size_t width) {
    // As written first; a search without case found it in another case, shown as it stands.
    std::optional<TextSpan> span = findWord(text, utf8Word, LetterCase::Kept);
    if (!span) span = findWord(text, utf8Word, LetterCase::Folded);
    if (!span) return std::nullopt;
    const size_t at = span->begin, wordEnd = span->end;
    auto lineStart = [&](size_t pos) {
        size_t feed = pos == 0 ? std::string_view::npos : text.rfind('\n', pos - 1);
        return feed == std::string_view::npos ? 0 : feed + 1;
    };
    auto lineEnd = [&](size_t pos) {
        size_t feed = text.find('\n', pos);
        return feed == std::string_view::npos ? text.size() : feed;
    };
    size_t begin = lineStart(at), end = lineEnd(wordEnd);
    for (int i = 0; i < lines && begin > 0; ++i) begin = lineStart(begin - 1);
    for (int i = 0; i < lines && end < text.size(); ++i) end = lineEnd(end + 1);
    if (at - begin > width) begin = characterStart(text, at - width);
    if (end - wordEnd > width) end = characterStart(text, wordEnd + width);
    return Context{std::string(text.substr(begin, at - begin)),
                   std::string(text.substr(at, wordEnd - at)),
                   std::string(text.substr(wordEnd, end - wordEnd))};
}

std::optional<Context> contextOf(const std::string& dataFolder, const std::string& folder,
                                 const std::string& name, std::string_view utf8Word, int lines) {
    if (auto store = ContentStore::open(dataFolder, false))
        if (auto document = store->find(folder, name))
            if (auto text = store->text(document->id))
                if (auto context = contextIn(*text, utf8Word, lines)) return context;
    UniqueFd fd = openDeep(osPathOf(joinPath(folder, name)), O_RDONLY | O_NONBLOCK);
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::string bytes = readRange(fd.get(), 0, std::min<std::uint64_t>(st.st_size, kReadAtMost));
    return contextIn(decodePlainText(bytes), utf8Word, lines);
}

std::string readingFailure(const std::string& dataFolder, const std::string& folder,
                           const std::string& name) {
    auto store = ContentStore::open(dataFolder, false);
    return store ? store->failure(folder, name) : std::string();
}

}  // namespace zeph::content
