// The text of a document, through a maintained library for each family of
// formats: PDF (poppler), Office Open XML, OpenDocument and EPUB (libzip and
// libxml2), HTML and XML (libxml2), and plain text in the encodings content
// search reads (UTF-8, UTF-16 with or without a byte-order mark, GB18030).
// Legacy binary Office files have no such library here: they are not
// documents of the index (their bytes are searched as before).
// Everything works on bytes in memory, so the same code runs in the worker
// process and under the fuzzer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "content/DocumentKind.h"

namespace zeph::content {

ExtractedText extractText(DocumentKind kind, std::string_view bytes, size_t cap = kTextCap);

// The UTF-8 text, at most cap bytes of it, cut at a character's start.
class TextSink {
public:
    explicit TextSink(size_t cap) : m_cap(cap) {}
    // Adds text (UTF-8); false once the cap is reached.
    bool add(std::string_view utf8);
    // Ends a line (paragraph, page), once.
    void endLine();
    // Separates what comes next from what came (a cell, a tab), once.
    void separate();
    bool full() const { return m_cut; }
    // The rest could not be read: what there is, is only part of the text.
    void markCut() { m_cut = true; }
    ExtractedText take();

private:
    size_t m_cap;
    std::string m_text;
    bool m_cut = false;
};

// The families, each in its own file.
ExtractedText pdfText(std::string_view bytes, size_t cap);
ExtractedText packageText(DocumentKind kind, std::string_view bytes, size_t cap);
ExtractedText markupText(bool html, std::string_view bytes, size_t cap);
// Text of XML held in memory, lines ending where the named elements end (every
// element, without names), a space where the spacing ones stand or end, and
// nothing taken from inside the skipped ones; white space the document keeps
// (xml:space="preserve", a run holding only a space) is text. False when it
// is no XML. With cells, a sheet's numbers are shown as its styles say.
class SheetCells;
bool xmlText(std::string_view bytes, TextSink& sink, const char* const* lineEnds,
             const char* const* spacing, const char* const* skipped,
             const SheetCells* cells = nullptr);
// Text of HTML held in memory (script and style left out).
bool htmlText(std::string_view bytes, TextSink& sink);

}  // namespace zeph::content
