// A document of any bytes, of any kind the content index reads (the first
// byte picks the kind): read without fault, its text valid UTF-8 and within
// the cap.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/Codec.h"
#include "content/DocumentText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 1) return 0;
    using zeph::content::DocumentKind;
    const DocumentKind kinds[] = {
        DocumentKind::PlainText,   DocumentKind::Pdf,          DocumentKind::WordProcessing,
        DocumentKind::Spreadsheet, DocumentKind::Presentation, DocumentKind::OpenDocument,
        DocumentKind::Epub,        DocumentKind::Html,         DocumentKind::Xml};
    DocumentKind kind = kinds[data[0] % (sizeof kinds / sizeof kinds[0])];
    std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    constexpr size_t kCap = 64 * 1024;
    zeph::content::ExtractedText text = zeph::content::extractText(kind, bytes, kCap);
    if (text.text.size() > kCap || !zeph::isUtf8(text.text)) std::abort();
    return 0;
}
