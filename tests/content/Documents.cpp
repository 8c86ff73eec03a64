#include "tests/content/Documents.h"

#include <zip.h>

#include "tests/support/TempFolder.h"

namespace zeph::test {

std::string zipPackage(const Parts& parts) {
    TempFolder folder;
    std::string path = (folder / "package.zip").string();
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto& [name, bytes] : parts) {
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE);
    }
    zip_close(archive);
    return readFile(path);
}

namespace {

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '<')
            out += "&lt;";
        else if (c == '&')
            out += "&amp;";
        else
            out += c;
    }
    return out;
}

// A page with a line for each line of the text.
std::string pdfHolding(const std::string& ascii) {
    std::string stream = "BT /F1 18 Tf 72 700 Td ";
    for (size_t from = 0; from <= ascii.size();) {
        size_t end = std::min(ascii.find('\n', from), ascii.size());
        stream += "(" + ascii.substr(from, end - from) + ") Tj 0 -24 Td ";
        from = end + 1;
    }
    stream += "ET";
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 4 0 R "
        ">> >> /Contents 5 0 R >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        "<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream",
    };
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        std::string number = std::to_string(offset);
        pdf += std::string(10 - number.size(), '0') + number + " 00000 n \n";
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

}  // namespace

std::string documentHolding(const std::string& suffix, const std::string& utf8Text) {
    const std::string text = escaped(utf8Text);
    const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    if (suffix == "docx")
        return zipPackage({{"[Content_Types].xml", xml + "<Types/>"},
                           {"word/document.xml",
                            xml + "<w:document xmlns:w=\"w\"><w:body><w:p><w:r><w:t>" + text +
                                "</w:t></w:r></w:p><w:p><w:r><w:instrText>PAGE</w:instrText>"
                                "</w:r></w:p></w:body></w:document>"}});
    if (suffix == "xlsx")
        return zipPackage({{"xl/sharedStrings.xml",
                            xml + "<sst><si><t>" + text + "</t></si><si><t>x</t></si></sst>"},
                           {"xl/worksheets/sheet1.xml",
                            xml + "<worksheet><sheetData><row><c t=\"s\"><v>0</v></c>"
                                  "<c t=\"inlineStr\"><is><t>inline</t></is></c></row>"
                                  "</sheetData></worksheet>"}});
    if (suffix == "pptx")
        return zipPackage(
            {{"ppt/slides/slide1.xml", xml + "<p:sld xmlns:p=\"p\" xmlns:a=\"a\"><a:p><a:r><a:t>" +
                                           text + "</a:t></a:r></a:p></p:sld>"}});
    if (suffix == "odt" || suffix == "ods" || suffix == "odp")
        return zipPackage(
            {{"mimetype", "application/vnd.oasis.opendocument.text"},
             {"content.xml", xml +
                                 "<office:document-content xmlns:office=\"o\" xmlns:text=\"t\">"
                                 "<office:body><text:p>" +
                                 text + "</text:p></office:body></office:document-content>"}});
    if (suffix == "epub")
        return zipPackage(
            {{"mimetype", "application/epub+zip"},
             {"OEBPS/chapter1.xhtml", "<html><head><title>t</title></head><body><p>" + text +
                                          "</p><script>var hidden = 1;</script></body></html>"}});
    if (suffix == "html")
        return "<html><head><meta charset=\"utf-8\"><style>p{}</style></head><body><p>" + text +
               "</p></body></html>";
    if (suffix == "xml") return xml + "<doc><a>" + text + "</a></doc>";
    if (suffix == "pdf") return pdfHolding(utf8Text);
    return utf8Text;
}

std::string inflatingDocument(size_t bytes) {
    std::string body = "<?xml version=\"1.0\"?><w:document xmlns:w=\"w\"><w:body>";
    const std::string paragraph = "<w:p><w:r><w:t>" + std::string(1000, 'a') + "</w:t></w:r></w:p>";
    while (body.size() < bytes) body += paragraph;
    body += "</w:body></w:document>";
    return zipPackage({{"word/document.xml", body}});
}

}  // namespace zeph::test
