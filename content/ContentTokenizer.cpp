#include "ContentTokenizer.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

#include "content/SearchForm.h"

namespace zeph::content {

namespace {

// One character of UTF-8 text: where it starts, how long it is, what it is.
struct Character {
    size_t at = 0;
    size_t length = 1;
    char32_t code = 0;  // 0xFFFFFFFF for a byte that starts no valid character
};

Character characterAt(std::string_view text, size_t at) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(at);
    Character c{at, 1, lead};
    size_t length = lead < 0x80         ? 1
                    : (lead >> 5) == 6  ? 2
                    : (lead >> 4) == 14 ? 3
                    : (lead >> 3) == 30 ? 4
                                        : 0;
    if (length == 0 || at + length > text.size()) return {at, 1, 0xFFFFFFFF};
    if (length == 1) return c;
    char32_t code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return {at, 1, 0xFFFFFFFF};
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    return {at, length, code};
}

bool isHan(char32_t c) {
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3134F);
}

// The key text of characters [first, last] of the text.
void keyOf(std::string& key, std::string_view text, const Character& first, const Character& last) {
    key.assign(text.substr(first.at, last.at + last.length - first.at));
}

// Calls emit(key, start, end) for every key of a text in its form (SearchForm.h).
template <class Emit>
int forEachKeyOfForm(std::string_view text, Emit&& emit) {
    Character window[3];  // the last characters of the run under way
    int inRun = 0;
    bool hanRun = false;
    std::string key;
    for (size_t at = 0; at < text.size();) {
        Character c = characterAt(text, at);
        at += c.length;
        if (c.code == 0xFFFFFFFF) {  // no character: ends any run
            inRun = 0;
            continue;
        }
        const bool han = isHan(c.code);
        if (inRun > 0 && han != hanRun) inRun = 0;
        hanRun = han;
        if (inRun == 3) {
            window[0] = window[1];
            window[1] = window[2];
            inRun = 2;
        }
        window[inRun++] = c;
        int rc = SQLITE_OK;
        if (han) {
            keyOf(key, text, c, c);
            rc = emit(key, c.at, c.at + c.length);
            if (rc == SQLITE_OK && inRun >= 2) {
                keyOf(key, text, window[inRun - 2], c);
                rc = emit(key, window[inRun - 2].at, c.at + c.length);
            }
        } else if (inRun == 3) {
            keyOf(key, text, window[0], c);
            rc = emit(key, window[0].at, c.at + c.length);
        }
        if (rc != SQLITE_OK) return rc;
    }
    return SQLITE_OK;
}

// The same for a text as it stands: the keys of its form without case, and of
// that form with the words broken at line ends joined.
template <class Emit>
int forEachKey(std::string_view text, Emit&& emit) {
    const std::string form = searchForm(text, LetterCase::Folded);
    int rc = forEachKeyOfForm(form, emit);
    if (rc != SQLITE_OK) return rc;
    auto joined = joinedForm(text, LetterCase::Folded);
    return joined ? forEachKeyOfForm(*joined, emit) : SQLITE_OK;
}

// The tokenizer object FTS5 asks for: it holds nothing.
struct Tokenizer {};

int createTokenizer(void*, const char**, int, Fts5Tokenizer** out) {
    *out = reinterpret_cast<Fts5Tokenizer*>(new Tokenizer);
    return SQLITE_OK;
}

void deleteTokenizer(Fts5Tokenizer* tokenizer) {
    delete reinterpret_cast<Tokenizer*>(tokenizer);
}

int tokenize(Fts5Tokenizer*, void* context, int flags, const char* text, int length,
             int (*token)(void*, int, const char*, int, int, int)) {
    std::string_view all(text, static_cast<size_t>(length));
    if (flags & FTS5_TOKENIZE_QUERY) {
        // A query holds keys made by queryKeys(): each quoted key is one.
        std::string key(all);
        for (char& ch : key)
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        return token(context, 0, key.data(), static_cast<int>(key.size()), 0, length);
    }
    return forEachKey(all, [&](const std::string& key, size_t start, size_t end) {
        return token(context, 0, key.data(), static_cast<int>(key.size()), static_cast<int>(start),
                     static_cast<int>(end));
    });
}

fts5_api* ftsApi(sqlite3* db) {
    fts5_api* api = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "select fts5(?1)", -1, &statement, nullptr) != SQLITE_OK)
        return nullptr;
    sqlite3_bind_pointer(statement, 1, &api, "fts5_api_ptr", nullptr);
    sqlite3_step(statement);
    sqlite3_finalize(statement);
    return api;
}

}  // namespace

bool registerTokenizer(sqlite3* db) {
    fts5_api* api = ftsApi(db);
    if (!api) return false;
    fts5_tokenizer tokenizer{createTokenizer, deleteTokenizer, tokenize};
    return api->xCreateTokenizer(api, kTokenizerName, nullptr, &tokenizer, nullptr) == SQLITE_OK;
}

std::vector<std::string> documentKeys(std::string_view utf8Text) {
    std::vector<std::string> keys;
    forEachKeyOfForm(searchForm(utf8Text, LetterCase::Folded), [&](const std::string& key, size_t, size_t) {
        keys.push_back(key);
        return SQLITE_OK;
    });
    return keys;
}

std::optional<std::vector<std::string>> queryKeys(std::string_view utf8Text) {
    // The keys of the text itself lie inside any text holding it. Single Han
    // characters are left out when longer keys are there: their lists are
    // long, and the longer keys hold them.
    std::vector<std::string> keys;
    forEachKeyOfForm(searchForm(utf8Text, LetterCase::Folded), [&](const std::string& key, size_t, size_t) {
        keys.push_back(key);
        return SQLITE_OK;
    });
    std::vector<std::string> pairsAndTrigrams;
    for (const std::string& key : keys) {
        Character first = characterAt(key, 0);
        bool singleHan = first.length == key.size() && isHan(first.code);
        if (!singleHan) pairsAndTrigrams.push_back(key);
    }
    if (!pairsAndTrigrams.empty()) keys = std::move(pairsAndTrigrams);
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    if (keys.empty()) return std::nullopt;
    return keys;
}

std::string matchExpression(const std::vector<std::string>& keys) {
    std::string expression;
    for (const std::string& key : keys) {
        if (!expression.empty()) expression += " AND ";
        expression += '"';
        for (char ch : key) {
            if (ch == '"') expression += '"';
            expression += ch;
        }
        expression += '"';
    }
    return expression;
}

}  // namespace zeph::content
