#include "DocumentKind.h"

#include <algorithm>
#include <array>

#include "common/Codec.h"

namespace zeph::content {

DocumentKind documentKind(std::string_view suffix, bool knownTextSuffix) {
    struct Entry {
        std::string_view suffix;
        DocumentKind kind;
    };
    // Templates and macro-enabled files are the same packages as the documents.
    static constexpr std::array<Entry, 24> kDocuments{{
        {"pdf", DocumentKind::Pdf},
        {"docx", DocumentKind::WordProcessing},
        {"docm", DocumentKind::WordProcessing},
        {"dotx", DocumentKind::WordProcessing},
        {"dotm", DocumentKind::WordProcessing},
        {"xlsx", DocumentKind::Spreadsheet},
        {"xlsm", DocumentKind::Spreadsheet},
        {"xltx", DocumentKind::Spreadsheet},
        {"pptx", DocumentKind::Presentation},
        {"pptm", DocumentKind::Presentation},
        {"potx", DocumentKind::Presentation},
        {"odt", DocumentKind::OpenDocument},
        {"ods", DocumentKind::OpenDocument},
        {"odp", DocumentKind::OpenDocument},
        {"ott", DocumentKind::OpenDocument},
        {"ots", DocumentKind::OpenDocument},
        {"otp", DocumentKind::OpenDocument},
        {"epub", DocumentKind::Epub},
        {"html", DocumentKind::Html},
        {"htm", DocumentKind::Html},
        {"xhtml", DocumentKind::Html},
        {"xht", DocumentKind::Html},
        {"xml", DocumentKind::Xml},
        {"svg", DocumentKind::Xml},
    }};
    for (const Entry& entry : kDocuments)
        if (entry.suffix == suffix) return entry.kind;
    // Binary formats no maintained library here reads, and RTF's markup.
    for (std::string_view nameOnly : {"doc", "xls", "ppt", "wps", "rtf"})
        if (suffix == nameOnly) return DocumentKind::None;
    return knownTextSuffix ? DocumentKind::PlainText : DocumentKind::None;
}

std::string decodePlainText(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    else if (bytes.starts_with("\xFF\xFE"))
        return utf16ToUtf8Lossy(bytes.substr(2), false);
    else if (bytes.starts_with("\xFE\xFF"))
        return utf16ToUtf8Lossy(bytes.substr(2), true);
    if (isUtf8(bytes)) return std::string(bytes);
    // UTF-16 without a mark: zeros in one byte of most units, ASCII in the other.
    size_t evenZeros = 0, oddZeros = 0;
    const size_t sample = std::min<size_t>(bytes.size(), 4096) & ~size_t{1};
    for (size_t i = 0; i < sample; i += 2) {
        evenZeros += bytes[i] == '\0';
        oddZeros += bytes[i + 1] == '\0';
    }
    if (sample >= 4 && oddZeros * 3 > sample / 2 && evenZeros * 10 < sample / 2)
        return utf16ToUtf8Lossy(bytes, false);
    if (sample >= 4 && evenZeros * 3 > sample / 2 && oddZeros * 10 < sample / 2)
        return utf16ToUtf8Lossy(bytes, true);
    return toUtf8Lossy(bytes);  // GBK, as GB18030
}

}  // namespace zeph::content
