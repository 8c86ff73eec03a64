// Fills the printf-style statement texts of the configuration database with
// values, safely: a text between single quotes has its quotes doubled, and a
// bare %s (an id taken from a list column) must be an integer.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace zeph {

using SqlArg = std::variant<std::int64_t, std::string_view, char>;

// Understands %d (integer, 64-bit), %s (text), %c (character) and %%.
// Returns "" when an argument does not fit its place; running "" is refused by
// the access layer, so a bad value never reaches the database.
std::string sqlFormat(std::string_view statement, std::initializer_list<SqlArg> args);

inline SqlArg sqlText(const std::string& text) {
    return std::string_view(text);
}

}  // namespace zeph
