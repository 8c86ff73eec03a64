// A hit shown in its context: the lines around the first place a file's text
// holds the words, from the content index's stored text or, for a file it has
// not stored, from the file itself read as plain text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zeph::content {

struct Context {
    std::string before, match, after;  // UTF-8; before + match + after is the shown text
};

// The context of the first occurrence of the word in the text: the line it is
// on and up to lines more before and after, each side cut to about width bytes.
std::optional<Context> contextIn(std::string_view text, std::string_view utf8Word, int lines = 1,
                                 size_t width = 240);

// The same for a file (folder and name GBK) of the data folder's index.
std::optional<Context> contextOf(const std::string& dataFolder, const std::string& folder,
                                 const std::string& name, std::string_view utf8Word, int lines = 1);

// Why the content index could not read a file (GBK), or "" when it did or
// never tried: shown in the preview and beside the snippet.
std::string readingFailure(const std::string& dataFolder, const std::string& folder,
                           const std::string& name);

}  // namespace zeph::content
