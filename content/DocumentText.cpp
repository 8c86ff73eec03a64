#include "DocumentText.h"

#include <array>

#include "common/Codec.h"

namespace zeph::content {

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

void TextSink::separate() {
    if (!m_text.empty() && m_text.back() != '\n' && m_text.back() != ' ' && m_text.back() != '\t')
        add(" ");
}

ExtractedText TextSink::take() {
    ExtractedText result;
    result.outcome = ExtractedText::Read;
    result.cut = m_cut;
    result.text = std::move(m_text);
    return result;
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
