#include "DocumentText.h"

#include <array>

#include "common/Codec.h"

namespace zeph::content {

DocumentKind documentKind(std::string_view suffix, bool knownTextSuffix) {
    struct Entry {
        std::string_view suffix;
        DocumentKind kind;
    };
    static constexpr std::array<Entry, 13> kDocuments{{
        {"pdf", DocumentKind::Pdf},
        {"docx", DocumentKind::WordProcessing},
        {"xlsx", DocumentKind::Spreadsheet},
        {"pptx", DocumentKind::Presentation},
        {"odt", DocumentKind::OpenDocument},
        {"ods", DocumentKind::OpenDocument},
        {"odp", DocumentKind::OpenDocument},
        {"epub", DocumentKind::Epub},
        {"html", DocumentKind::Html},
        {"htm", DocumentKind::Html},
        {"xhtml", DocumentKind::Html},
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

bool TextSink::add(std::string_view utf8) {
    if (m_cut) return false;
    // What a library hands over is not always sound UTF-8 (libxml2's HTML
    // recovery can split a character): the stored text always is.
    if (!isUtf8(utf8)) return add(repairedUtf8(utf8));
    if (m_text.size() + utf8.size() <= m_cap) {
        m_text.append(utf8);
        return true;
    }
    size_t room = m_cap - m_text.size();
    while (room > 0 && (static_cast<unsigned char>(utf8[room]) & 0xC0) == 0x80) --room;
    m_text.append(utf8.substr(0, room));
    m_cut = true;
    return false;
}

void TextSink::endLine() {
    if (!m_text.empty() && m_text.back() != '\n') add("\n");
}

ExtractedText TextSink::take() {
    ExtractedText result;
    result.outcome = ExtractedText::Read;
    result.cut = m_cut;
    result.text = std::move(m_text);
    return result;
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

ExtractedText extractText(DocumentKind kind, std::string_view bytes, size_t cap) {
    switch (kind) {
        case DocumentKind::PlainText: {
            // NUL bytes are no text: holes of sparse files, padding.
            std::string text = decodePlainText(bytes);
            std::erase(text, '\0');
            TextSink sink(cap);
            sink.add(text);
            return sink.take();
        }
        case DocumentKind::Pdf:
            return pdfText(bytes, cap);
        case DocumentKind::WordProcessing:
        case DocumentKind::Spreadsheet:
        case DocumentKind::Presentation:
        case DocumentKind::OpenDocument:
        case DocumentKind::Epub:
            return packageText(kind, bytes, cap);
        case DocumentKind::Html:
            return markupText(true, bytes, cap);
        case DocumentKind::Xml:
            return markupText(false, bytes, cap);
        case DocumentKind::None:
            break;
    }
    ExtractedText none;
    none.reason = "不是可读取的文档";
    return none;
}

}  // namespace zeph::content
