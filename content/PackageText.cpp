// Documents that are zip packages of XML parts: Office Open XML (docx, xlsx,
// pptx), OpenDocument (odt, ods, odp) and EPUB, through libzip. Each part is
// read only up to a bound, so a package whose parts inflate without end (a
// zip bomb) costs no more than that.
#include <zip.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "content/DocumentText.h"
#include "content/SheetCells.h"

namespace zeph::content {

namespace {

// The inflated bytes a part may have, at most: past it the part is cut.
constexpr zip_uint64_t kPartAtMost = 64u << 20;

struct ZipCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct FileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

// The part's bytes, at most kPartAtMost of them.
std::string readPart(zip_t* archive, zip_uint64_t index) {
    std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(archive, index, 0));
    std::string bytes;
    if (!file) return bytes;
    std::vector<char> buffer(64 * 1024);
    while (bytes.size() < kPartAtMost) {
        zip_int64_t n = zip_fread(file.get(), buffer.data(), buffer.size());
        if (n <= 0) break;
        bytes.append(buffer.data(), static_cast<size_t>(n));
    }
    if (bytes.size() > kPartAtMost) bytes.resize(kPartAtMost);
    return bytes;
}

bool startsWith(std::string_view name, std::string_view prefix) {
    return name.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view name, std::string_view suffix) {
    return name.size() >= suffix.size() && name.substr(name.size() - suffix.size()) == suffix;
}

// Which parts hold the text of a kind of package, in the order they are read.
bool wanted(DocumentKind kind, std::string_view name) {
    switch (kind) {
        case DocumentKind::WordProcessing:
            return name == "word/document.xml" || name == "word/footnotes.xml" ||
                   name == "word/endnotes.xml" || name == "word/comments.xml" ||
                   ((startsWith(name, "word/header") || startsWith(name, "word/footer")) &&
                    endsWith(name, ".xml"));
        case DocumentKind::Spreadsheet:
            return name == "xl/sharedStrings.xml" ||
                   (startsWith(name, "xl/worksheets/sheet") && endsWith(name, ".xml"));
        case DocumentKind::Presentation:
            return (startsWith(name, "ppt/slides/slide") || startsWith(name, "ppt/notesSlides/")) &&
                   endsWith(name, ".xml");
        case DocumentKind::OpenDocument:
            return name == "content.xml";
        case DocumentKind::Epub:
            return endsWith(name, ".xhtml") || endsWith(name, ".html") || endsWith(name, ".htm");
        default:
            return false;
    }
}

// Slides and sheets in their own order (slide2 before slide10).
bool partOrder(const std::string& a, const std::string& b) {
    auto digitsAt = [](const std::string& s) { return s.find_first_of("0123456789"); };
    size_t da = digitsAt(a), db = digitsAt(b);
    if (da != std::string::npos && da == db && a.compare(0, da, b, 0, db) == 0) {
        size_t ea = a.find_first_not_of("0123456789", da),
               eb = b.find_first_not_of("0123456789", db);
        if (ea - da != eb - db) return ea - da < eb - db;
    }
    return a < b;
}

// Elements after which a line ends, and elements whose text is no text of
// the document (field codes, formulas).
constexpr const char* kLineEnds[] = {"p", "h", "br", "tr", "si", "line-break", "row", nullptr};
// Elements that stand between words: a tab, a table's cell, a sheet's cell,
// OpenDocument's space and tab.
constexpr const char* kSpacing[] = {"tab", "tc", "c", "table-cell", "s", nullptr};
constexpr const char* kSkippedOffice[] = {"instrText", "f", nullptr};
constexpr const char* kSkippedNone[] = {nullptr};

}  // namespace

ExtractedText packageText(DocumentKind kind, std::string_view bytes, size_t cap) {
    ExtractedText failed;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (!source) {
        failed.reason = "不是ZIP格式的文档";
        return failed;
    }
    std::unique_ptr<zip_t, ZipCloser> archive(zip_open_from_source(source, ZIP_RDONLY, &error));
    zip_error_fini(&error);
    if (!archive) {
        zip_source_free(source);
        failed.reason = "不是ZIP格式的文档";
        return failed;
    }
    std::vector<std::pair<std::string, zip_uint64_t>> parts;
    zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), 0);
        if (name && wanted(kind, name)) parts.emplace_back(name, static_cast<zip_uint64_t>(i));
    }
    if (parts.empty()) {
        failed.reason = "文档中没有文字部分";
        return failed;
    }
    std::sort(parts.begin(), parts.end(),
              [](const auto& a, const auto& b) { return partOrder(a.first, b.first); });
    // A workbook's styles say how its numbers are shown.
    SheetCells cells;
    if (kind == DocumentKind::Spreadsheet)
        if (zip_int64_t styles = zip_name_locate(archive.get(), "xl/styles.xml", 0); styles >= 0)
            cells.readStyles(readPart(archive.get(), static_cast<zip_uint64_t>(styles)));
    TextSink sink(cap);
    bool anyRead = false;
    for (const auto& [name, index] : parts) {
        if (sink.full()) break;
        std::string part = readPart(archive.get(), index);
        bool read =
            kind == DocumentKind::Epub
                ? htmlText(part, sink)
                : xmlText(part, sink, kLineEnds, kSpacing,
                          kind == DocumentKind::OpenDocument ? kSkippedNone : kSkippedOffice,
                          kind == DocumentKind::Spreadsheet ? &cells : nullptr);
        anyRead = anyRead || read;
        sink.endLine();
    }
    if (!anyRead) {
        failed.reason = "文档的文字部分无法读取";
        return failed;
    }
    return sink.take();
}

}  // namespace zeph::content
