#include "SqlText.h"

#include <vector>

namespace zeph {

namespace {

bool isIntegerText(std::string_view text) {
    size_t i = (!text.empty() && text[0] == '-') ? 1 : 0;
    if (i == text.size() || text.size() - i > 19) return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

// Appends one value; false when it does not fit its place.
bool appendArg(std::string& out, char conversion, bool quoted, const SqlArg& arg) {
    if (conversion == 'd') {
        if (auto* number = std::get_if<std::int64_t>(&arg)) {
            out += std::to_string(*number);
            return true;
        }
        return false;
    }
    std::string_view text;
    char single = 0;
    if (auto* view = std::get_if<std::string_view>(&arg)) {
        if (conversion != 's') return false;
        text = *view;
    } else if (auto* ch = std::get_if<char>(&arg)) {
        if (conversion != 'c') return false;
        single = *ch;
        text = std::string_view(&single, 1);
    } else {
        return false;
    }
    if (text.find('\0') != std::string_view::npos) return false;
    if (!quoted) {
        if (!isIntegerText(text)) return false;
        out += text;
        return true;
    }
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return true;
}

}  // namespace

std::string sqlFormat(std::string_view statement, std::initializer_list<SqlArg> args) {
    std::string out;
    out.reserve(statement.size() + 64);
    auto next = args.begin();
    for (size_t i = 0; i < statement.size(); ++i) {
        char c = statement[i];
        if (c != '%') {
            out += c;
            continue;
        }
        if (++i == statement.size()) return "";
        char conversion = statement[i];
        if (conversion == '%') {
            out += '%';
            continue;
        }
        bool quoted = i >= 2 && statement[i - 2] == '\'' && i + 1 < statement.size() &&
                      statement[i + 1] == '\'';
        if (next == args.end() || !appendArg(out, conversion, quoted, *next++)) return "";
    }
    return next == args.end() ? out : "";
}

}  // namespace zeph
