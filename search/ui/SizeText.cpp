#include "SizeText.h"

#include <cctype>
#include <limits>

namespace zeph {

namespace {

bool isUnit(char c) {
    return c == 'K' || c == 'M' || c == 'G' || c == 'T';
}

std::int64_t saturatingMultiply(std::int64_t value, std::int64_t factor) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    return value > kMax / factor ? kMax : value * factor;
}

}  // namespace

std::string cleanSizeText(const std::string& text) {
    std::string out;
    for (char c : text) {
        char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (!std::isdigit(static_cast<unsigned char>(upper)) && !isUnit(upper)) break;
        out += upper;
    }
    return out;
}

bool isValidSizeText(const std::string& cleaned) {
    if (cleaned.empty()) return true;
    if (!std::isdigit(static_cast<unsigned char>(cleaned[0]))) return false;
    for (size_t i = 0; i + 1 < cleaned.size(); ++i)
        if (isUnit(cleaned[i])) return false;  // a letter followed by anything
    return true;
}

std::optional<std::int64_t> parseSizeText(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i == text.size()) return std::nullopt;
    std::int64_t value = 0;
    bool digits = false;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        digits = true;
        value = saturatingMultiply(value, 10);
        int digit = text[i] - '0';
        value = value > std::numeric_limits<std::int64_t>::max() - digit
                    ? std::numeric_limits<std::int64_t>::max()
                    : value + digit;
    }
    if (!digits) return 0;
    switch (i < text.size() ? std::toupper(static_cast<unsigned char>(text[i])) : 0) {
        case 'K':
            return saturatingMultiply(value, 1LL << 10);
        case 'M':
            return saturatingMultiply(value, 1LL << 20);
        case 'G':
            return saturatingMultiply(value, 1LL << 30);
        case 'T':
            return saturatingMultiply(value, 1LL << 40);
        default:
            return value;
    }
}

}  // namespace zeph
