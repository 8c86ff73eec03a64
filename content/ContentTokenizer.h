// The words of the content index, as the full-text engine (SQLite FTS5) keeps
// them, made of a text's form without case (SearchForm.h): in a run of Han
// characters, every character and every pair of neighbours; in any other run,
// every three characters in a row. So a Chinese word of one or two characters is a key
// of its own, and any other text of three characters or more is found inside
// longer words. The engine answers candidates only; every one is confirmed
// against its text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace zeph::content {

inline constexpr char kTokenizerName[] = "zeph";

// Registers the tokenizer on a connection (each connection that writes or
// queries the index needs it). False when FTS5 is missing.
bool registerTokenizer(sqlite3* db);

// The keys a text's occurrence must hold (UTF-8); nullopt when the text is
// too short for any (an ASCII text of one or two characters): every document
// is then a candidate.
std::optional<std::vector<std::string>> queryKeys(std::string_view utf8Text);

// The keys as an FTS5 query: all of them.
std::string matchExpression(const std::vector<std::string>& keys);

// Every key the tokenizer makes of a document's text (for tests).
std::vector<std::string> documentKeys(std::string_view utf8Text);

}  // namespace zeph::content
