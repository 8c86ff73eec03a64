#include "SheetCells.h"

#include <libxml/xmlreader.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

namespace zeph::content {

namespace {

struct ReaderFree {
    void operator()(xmlTextReaderPtr reader) const { xmlFreeTextReader(reader); }
};
struct XmlFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};

std::string attribute(xmlTextReaderPtr reader, const char* name) {
    std::unique_ptr<xmlChar, XmlFree> value(xmlTextReaderGetAttribute(reader, BAD_CAST name));
    return value ? reinterpret_cast<const char*>(value.get()) : std::string();
}

int number(const std::string& text) {
    int value = -1;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

template <class... Values>
std::string printed(const char* format, Values... values) {
    std::string text(static_cast<size_t>(std::snprintf(nullptr, 0, format, values...)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, values...);
    return text;
}

// The number in general form: at most 15 significant digits, no trailing zeros.
std::string general(double value) {
    std::string shown = printed("%.15g", value);
    if (shown.find('e') == std::string::npos && shown.find('.') != std::string::npos) {
        while (shown.back() == '0') shown.pop_back();
        if (shown.back() == '.') shown.pop_back();
    }
    return shown;
}

// Day 1 is 1900-01-01, and the sheet counts a 29 February 1900 that never was.
std::string dateOf(double serial, bool withTime) {
    long long days = static_cast<long long>(std::floor(serial));
    if (days >= 60) --days;
    // Days since 1899-12-31 to a civil date (days from 1970-01-01, proleptic Gregorian).
    long long z = days - 25568 + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long day = doy - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yoe + era * 400 + (month <= 2);
    std::string text = printed("%04lld-%02lld-%02lld", year, month, day);
    if (withTime) {
        long long seconds = std::llround((serial - std::floor(serial)) * 86400.0);
        text += printed(" %02lld:%02lld", seconds / 3600 % 24, seconds / 60 % 60);
    }
    return text;
}

// Thousands separated: "-1234567.5" shows as "-1,234,567.5".
std::string grouped(std::string_view digits) {
    const size_t sign = !digits.empty() && digits[0] == '-' ? 1 : 0;
    size_t end = digits.find('.');
    if (end == std::string_view::npos) end = digits.size();
    std::string shown(digits.substr(0, sign));
    for (size_t at = sign; at < end; ++at) {
        if (at > sign && (end - at) % 3 == 0) shown += ',';
        shown += digits[at];
    }
    shown += digits.substr(end);
    return shown;
}

}  // namespace

SheetCells::Format SheetCells::formatOf(int id, std::string_view code) {
    Format format;
    // The built-in formats: 1-4 numbers, 9-10 percent, 14-22 and 45-47 dates and times.
    if (id == 1 || id == 3) format.fixed = true;
    if (id == 2 || id == 4) format = {false, false, false, false, true, 2};
    if (id == 3 || id == 4) format.thousands = true;
    if (id == 9 || id == 10) format = {false, false, true, false, true, id == 10 ? 2 : 0};
    if ((id >= 14 && id <= 17) || id == 22) format.date = true;
    if ((id >= 18 && id <= 22) || (id >= 45 && id <= 47)) format.time = true;
    if (code.empty()) return format;
    format = {};
    // A custom code: its first section, outside quotes and brackets.
    bool quoted = false, bracket = false, afterPoint = false, digits = false;
    for (char c : code.substr(0, code.find(';'))) {
        if (quoted) {
            quoted = c != '"';
            continue;
        }
        if (bracket) {
            bracket = c != ']';
            continue;
        }
        switch (c) {
            case '"': quoted = true; break;
            case '[': bracket = true; break;
            case 'y': case 'Y': case 'd': case 'D': format.date = true; break;
            case 'm': case 'M': format.date = format.date || !format.time; break;
            case 'h': case 'H': case 's': case 'S': format.time = true; break;
            case '%': format.percent = true; break;
            case ',': format.thousands = format.thousands || digits; break;
            case '.': afterPoint = true; format.fixed = true; break;
            case '0': case '#': case '?':
                digits = format.fixed = true;
                if (afterPoint) ++format.decimals;
                break;
            default: break;
        }
    }
    return format;
}

void SheetCells::readStyles(std::string_view stylesXml) {
    m_styles.clear();
    if (stylesXml.size() > INT_MAX) return;
    std::unique_ptr<xmlTextReader, ReaderFree> reader(
        xmlReaderForMemory(stylesXml.data(), static_cast<int>(stylesXml.size()), nullptr, nullptr,
                           XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!reader) return;
    std::map<int, std::string> codes;
    std::vector<int> styleFormats;
    bool inCellStyles = false;
    while (xmlTextReaderRead(reader.get()) == 1) {
        const char* name = reinterpret_cast<const char*>(xmlTextReaderConstLocalName(reader.get()));
        if (!name) continue;
        const std::string_view element(name);
        const int type = xmlTextReaderNodeType(reader.get());
        if (type == XML_READER_TYPE_END_ELEMENT && element == "cellXfs") inCellStyles = false;
        if (type != XML_READER_TYPE_ELEMENT) continue;
        if (element == "numFmt")
            codes[number(attribute(reader.get(), "numFmtId"))] = attribute(reader.get(), "formatCode");
        if (element == "cellXfs") inCellStyles = !xmlTextReaderIsEmptyElement(reader.get());
        if (element == "xf" && inCellStyles)
            styleFormats.push_back(number(attribute(reader.get(), "numFmtId")));
    }
    for (int id : styleFormats) {
        auto code = codes.find(id);
        m_styles.push_back(formatOf(id, code == codes.end() ? std::string_view() : code->second));
    }
}

std::string SheetCells::shown(std::string_view value, int style) const {
    double number = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size()) return std::string(value);
    const Format format =
        style >= 0 && static_cast<size_t>(style) < m_styles.size() ? m_styles[style] : Format{};
    if (format.date || format.time) {
        if (!format.date) return general(number);
        return dateOf(number, format.time);
    }
    if (format.percent) number *= 100;
    std::string shown;
    if (format.fixed) {
        shown = printed("%.*f", format.decimals, number);
    } else {
        shown = general(number);
    }
    if (format.thousands) shown = grouped(shown);
    if (format.percent) shown += '%';
    return shown;
}

}  // namespace zeph::content
