// What the content index makes of a file: the kind of document its suffix
// stands for, what reading it gave, and plain text decoded. The readers themselves (DocumentText.h)
// run only in the worker program, so the programs that keep and search the
// index do not load their libraries.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zeph::content {

enum class DocumentKind {
    None,  // not a document of the index
    PlainText,
    Pdf,
    WordProcessing,  // docx
    Spreadsheet,     // xlsx
    Presentation,    // pptx
    OpenDocument,    // odt, ods, odp
    Epub,
    Html,
    Xml,
};

// The kind a suffix (lower case, without the dot) stands for. Suffixes of
// text files the system knows are plain text; anything else is None.
DocumentKind documentKind(std::string_view suffix, bool knownTextSuffix);

struct ExtractedText {
    enum Outcome { Read, Unreadable } outcome = Unreadable;
    std::string text;    // UTF-8
    bool cut = false;    // the text was longer than the cap: the rest is left out
    std::string reason;  // why it is unreadable (for the log)
    // Unreadable for want of time or memory, which another try may have.
    bool retry = false;
};

// Text kept per document, at most.
inline constexpr size_t kTextCap = 16u << 20;

// Plain text decoded to UTF-8 (a byte-order mark, UTF-16 by its zeros, UTF-8,
// otherwise GB18030).
std::string decodePlainText(std::string_view bytes);

}  // namespace zeph::content
