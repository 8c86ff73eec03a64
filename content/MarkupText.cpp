// HTML and XML: their text without markup, through libxml2. Nothing is
// fetched over the network, no external entity is loaded, and entities are
// not expanded beyond the parser's own limits.
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/xmlreader.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "content/DocumentText.h"
#include "content/SheetCells.h"

namespace zeph::content {

namespace {

bool listed(const char* name, const char* const* names) {
    for (; *names; ++names)
        if (std::strcmp(name, *names) == 0) return true;
    return false;
}

void quiet(void*, const char*, ...) {}
void quietStructured(void*, xmlErrorPtr) {}

void silenceParser() {
    xmlSetGenericErrorFunc(nullptr, quiet);
    xmlSetStructuredErrorFunc(nullptr, quietStructured);
}

struct ReaderFree {
    void operator()(xmlTextReaderPtr reader) const { xmlFreeTextReader(reader); }
};
struct XmlFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};
struct DocFree {
    void operator()(htmlDocPtr document) const { xmlFreeDoc(document); }
};

// HUGE: a text run over the parser's 10 MB default (one long docx run, an
// SVG's embedded picture) is read whole, not the end of the document; the
// worker's memory bound keeps it in check. Entities are still not expanded.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING |
                              XML_PARSE_NOBLANKS | XML_PARSE_COMPACT | XML_PARSE_HUGE;

// Block elements of HTML: a line ends after each.
constexpr const char* kHtmlBlocks[] = {
    "p",   "div", "br", "li",      "tr",      "h1",    "h2",         "h3", "h4", "h5",   "h6",
    "pre", "td",  "th", "section", "article", "title", "blockquote", "dd", "dt", nullptr};
constexpr const char* kHtmlSkipped[] = {"script", "style", "noscript", "template", nullptr};

void walkHtml(xmlNodePtr node, TextSink& sink) {
    for (; node && !sink.full(); node = node->next) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            if (node->content) sink.add(reinterpret_cast<const char*>(node->content));
        } else if (node->type == XML_ELEMENT_NODE) {
            const char* name = reinterpret_cast<const char*>(node->name);
            if (listed(name, kHtmlSkipped)) continue;
            // A block begins a line as well as ending one: the text before a
            // nested block never runs into it.
            const bool block = listed(name, kHtmlBlocks);
            if (block) sink.endLine();
            walkHtml(node->children, sink);
            if (block) sink.endLine();
        }
    }
}

}  // namespace

bool xmlText(std::string_view bytes, TextSink& sink, const char* const* lineEnds,
             const char* const* spacing, const char* const* skipped, const SheetCells* cells) {
    if (bytes.size() > INT_MAX) return false;
    silenceParser();
    std::unique_ptr<xmlTextReader, ReaderFree> reader(xmlReaderForMemory(
        bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, kParseOptions));
    if (!reader) return false;
    // Without names every element ends a line: the text of one never runs into the next.
    auto endsLine = [&](const char* name) { return !lineEnds || listed(name, lineEnds); };
    int skipDepth = -1;  // inside a skipped element, the depth it starts at
    bool sharedTextCell = false;
    std::string cellType;  // the sheet cell's t, and its style
    int cellStyle = -1;
    bool inValue = false;
    int result = 0;
    bool any = false;
    while (!sink.full() && (result = xmlTextReaderRead(reader.get())) == 1) {
        int type = xmlTextReaderNodeType(reader.get());
        int depth = xmlTextReaderDepth(reader.get());
        const char* name = reinterpret_cast<const char*>(xmlTextReaderConstLocalName(reader.get()));
        if (type == XML_READER_TYPE_ELEMENT) {
            any = true;
            // A sheet's cell value is what the cell shows, unless the cell
            // holds a shared text (t="s"): then it is only that text's number.
            if (name && std::strcmp(name, "c") == 0) {
                std::unique_ptr<xmlChar, XmlFree> kind(
                    xmlTextReaderGetAttribute(reader.get(), BAD_CAST "t"));
                std::unique_ptr<xmlChar, XmlFree> style(
                    xmlTextReaderGetAttribute(reader.get(), BAD_CAST "s"));
                cellType = kind ? reinterpret_cast<const char*>(kind.get()) : "";
                cellStyle = style ? std::atoi(reinterpret_cast<const char*>(style.get())) : -1;
                sharedTextCell = cellType == "s";
            }
            if (name && std::strcmp(name, "v") == 0) inValue = !xmlTextReaderIsEmptyElement(reader.get());
            const bool skip = name && (listed(name, skipped) ||
                                       (sharedTextCell && std::strcmp(name, "v") == 0));
            if (skipDepth < 0 && skip && !xmlTextReaderIsEmptyElement(reader.get()))
                skipDepth = depth;
            if (name && xmlTextReaderIsEmptyElement(reader.get()) && endsLine(name)) sink.endLine();
            if (skipDepth < 0 && name && listed(name, spacing)) sink.separate();
        } else if (type == XML_READER_TYPE_END_ELEMENT) {
            if (name && std::strcmp(name, "v") == 0) inValue = false;
            if (depth == skipDepth)
                skipDepth = -1;
            else if (skipDepth < 0 && name && endsLine(name))
                sink.endLine();
            else if (skipDepth < 0 && name && listed(name, spacing))
                sink.separate();
        } else if (skipDepth < 0 &&
                   (type == XML_READER_TYPE_TEXT || type == XML_READER_TYPE_CDATA ||
                    type == XML_READER_TYPE_SIGNIFICANT_WHITESPACE)) {
            if (const xmlChar* value = xmlTextReaderConstValue(reader.get())) {
                const char* text = reinterpret_cast<const char*>(value);
                // A number or a truth value is shown as the sheet shows it.
                if (cells && inValue && (cellType.empty() || cellType == "n"))
                    sink.add(cells->shown(text, cellStyle));
                else if (cells && inValue && cellType == "b")
                    sink.add(std::strcmp(text, "1") == 0 ? "TRUE" : "FALSE");
                else
                    sink.add(text);
            }
        }
    }
    // A document that broke off after some text was read only in part: it
    // is recorded so, never as whole.
    if (any && result < 0) sink.markCut();
    return any;
}

bool htmlText(std::string_view bytes, TextSink& sink) {
    if (bytes.size() > INT_MAX) return false;
    silenceParser();
    std::unique_ptr<xmlDoc, DocFree> document(
        htmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                       HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                           HTML_PARSE_NOWARNING | HTML_PARSE_NOBLANKS | HTML_PARSE_COMPACT));
    if (!document) return false;
    walkHtml(xmlDocGetRootElement(document.get()), sink);
    return true;
}

ExtractedText markupText(bool html, std::string_view bytes, size_t cap) {
    static constexpr const char* kNone[] = {nullptr};
    TextSink sink(cap);
    bool read = html ? htmlText(bytes, sink) : xmlText(bytes, sink, nullptr, kNone, kNone);
    if (!read) {
        ExtractedText failed;
        failed.reason = html ? "不是HTML文档" : "不是XML文档";
        return failed;
    }
    return sink.take();
}

}  // namespace zeph::content
