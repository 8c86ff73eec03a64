// PDF: the text of each page in the order it is drawn (a column read to its
// end before the next, a word a hyphen breaks at a line's end kept as
// printed, for the search to join), through poppler.
#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

#include <climits>
#include <memory>

#include "content/DocumentText.h"

namespace zeph::content {

namespace {

void quiet(const std::string&, void*) {}

}  // namespace

ExtractedText pdfText(std::string_view bytes, size_t cap) {
    ExtractedText failed;
    if (bytes.size() > INT_MAX) {
        failed.reason = "PDF文档太大";
        return failed;
    }
    poppler::set_debug_error_function(quiet, nullptr);
    std::unique_ptr<poppler::document> document(
        poppler::document::load_from_raw_data(bytes.data(), static_cast<int>(bytes.size())));
    if (!document) {
        failed.reason = "不是PDF文档";
        return failed;
    }
    if (document->is_locked()) {
        failed.reason = "文档已加密";
        return failed;
    }
    TextSink sink(cap);
    for (int i = 0; i < document->pages() && !sink.full(); ++i) {
        std::unique_ptr<poppler::page> page(document->create_page(i));
        if (!page) continue;
        poppler::byte_array utf8 =
            page->text(poppler::rectf(), poppler::page::raw_order_layout).to_utf8();
        sink.add(std::string_view(utf8.data(), utf8.size()));
        sink.endLine();
    }
    return sink.take();
}

}  // namespace zeph::content
