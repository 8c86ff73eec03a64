// A corpus of documents for the content index's benchmarks: COUNT documents
// of each kind (PDF written by Qt, docx, xlsx, pptx, odt, ods, odp and epub
// as zip packages of XML, html) holding Chinese and ASCII filler text, with
// planted words whose holders are listed in a manifest.
//   usage: zeph_make_documents FOLDER COUNT [SEED]
// The manifest (FOLDER/manifest.tsv) has a line per planted word occurrence:
// word TAB relative path.
#include <zip.h>

#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kChinese = {
    "合同", "项目", "报告", "会议", "预算", "客户", "市场", "技术", "管理", "数据", "系统", "分析",
    "计划", "质量", "服务", "产品", "资金", "风险", "目标", "团队", "方案", "文件", "审核", "交付"};
const std::vector<std::string> kAscii = {
    "project",  "report",   "budget",   "meeting", "market",   "client",  "quality", "service",
    "delivery", "analysis", "schedule", "review",  "contract", "payment", "system",  "data"};
// Planted: rare (a few holders), common (one in ten) and short Chinese words.
const std::vector<std::pair<std::string, int>> kPlanted = {{"xylophonequartz", 2000},
                                                           {"蓝鲸数据", 1000},
                                                           {"甲方", 10},
                                                           {"force majeure", 10},
                                                           {"鲸", 500}};

std::string filler(std::mt19937& random, int words) {
    std::string text;
    for (int i = 0; i < words; ++i) {
        if (random() % 2)
            text += kChinese[random() % kChinese.size()];
        else
            text += kAscii[random() % kAscii.size()] + " ";
        if (random() % 12 == 0) text += "\n";
    }
    return text;
}

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text)
        out += c == '<' ? std::string("&lt;") : c == '&' ? std::string("&amp;") : std::string(1, c);
    return out;
}

void writeZip(const fs::path& path, const std::vector<std::pair<std::string, std::string>>& parts) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto& [name, bytes] : parts)
        zip_file_add(archive, name.c_str(),
                     zip_source_buffer(archive, bytes.data(), bytes.size(), 0), ZIP_FL_OVERWRITE);
    zip_close(archive);
}

std::vector<std::string> paragraphs(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(escaped(text.substr(at, end - at)));
        at = end + 1;
    }
    return lines;
}

void writeDocument(const fs::path& path, const std::string& kind, const std::string& text) {
    const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    std::string body;
    if (kind == "docx") {
        for (const auto& p : paragraphs(text)) body += "<w:p><w:r><w:t>" + p + "</w:t></w:r></w:p>";
        writeZip(path, {{"word/document.xml", xml + "<w:document xmlns:w=\"w\"><w:body>" + body +
                                                  "</w:body></w:document>"}});
    } else if (kind == "xlsx") {
        for (const auto& p : paragraphs(text)) body += "<si><t>" + p + "</t></si>";
        writeZip(path, {{"xl/sharedStrings.xml", xml + "<sst>" + body + "</sst>"},
                        {"xl/worksheets/sheet1.xml", xml + "<worksheet><sheetData/></worksheet>"}});
    } else if (kind == "pptx") {
        for (const auto& p : paragraphs(text)) body += "<a:p><a:r><a:t>" + p + "</a:t></a:r></a:p>";
        writeZip(path, {{"ppt/slides/slide1.xml",
                         xml + "<p:sld xmlns:p=\"p\" xmlns:a=\"a\">" + body + "</p:sld>"}});
    } else if (kind == "odt" || kind == "ods" || kind == "odp") {
        for (const auto& p : paragraphs(text)) body += "<text:p>" + p + "</text:p>";
        writeZip(path, {{"mimetype", "application/vnd.oasis.opendocument.text"},
                        {"content.xml", xml +
                                            "<office:document-content xmlns:office=\"o\" "
                                            "xmlns:text=\"t\"><office:body>" +
                                            body + "</office:body></office:document-content>"}});
    } else if (kind == "epub") {
        for (const auto& p : paragraphs(text)) body += "<p>" + p + "</p>";
        writeZip(path, {{"mimetype", "application/epub+zip"},
                        {"OEBPS/c1.xhtml", "<html><body>" + body + "</body></html>"}});
    } else if (kind == "html") {
        for (const auto& p : paragraphs(text)) body += "<p>" + p + "</p>";
        std::ofstream(path) << "<html><head><meta charset=\"utf-8\"></head><body>" << body
                            << "</body></html>";
    } else if (kind == "pdf") {
        QPdfWriter pdf(QString::fromStdString(path.string()));
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setResolution(72);
        QTextDocument document;
        document.setPlainText(QString::fromStdString(text));
        document.setPageSize(QSizeF(pdf.width(), pdf.height()));
        QPainter painter(&pdf);
        document.drawContents(&painter);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: zeph_make_documents FOLDER COUNT [SEED]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const fs::path folder = argv[1];
    const int count = std::atoi(argv[2]);
    std::mt19937 random(argc > 3 ? std::atoi(argv[3]) : 1);
    std::ofstream manifest(folder / "manifest.tsv");
    for (const std::string kind :
         {"pdf", "docx", "xlsx", "pptx", "odt", "ods", "odp", "epub", "html"}) {
        for (int i = 0; i < count; ++i) {
            fs::path relative = fs::path(kind) / std::to_string(i / 1000) /
                                ("doc" + std::to_string(i) + "." + kind);
            fs::create_directories(folder / relative.parent_path());
            std::string text = filler(random, 150 + static_cast<int>(random() % 300));
            for (const auto& [word, every] : kPlanted)
                if (random() % every == 0) {
                    text += "\n" + word + "\n";
                    manifest << word << '\t' << relative.string() << '\n';
                }
            writeDocument(folder / relative, kind, text);
        }
        std::fprintf(stderr, "%s: %d\n", kind.c_str(), count);
    }
    return 0;
}
