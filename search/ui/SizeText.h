// The size boxes of the criteria panel: a whole number, optionally followed by
// one of the units K, M, G or T.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zeph {

// Upper-cases the text and cuts it at the first character that is neither a
// digit nor one of G, K, M, T.
std::string cleanSizeText(const std::string& text);
// Empty is valid; so is a number with at most one unit letter after it.
bool isValidSizeText(const std::string& cleaned);
// The bytes a text stands for; nullopt for an empty text (no bound). Values
// past the 64-bit range saturate at its largest value.
std::optional<std::int64_t> parseSizeText(const std::string& text);

}  // namespace zeph
