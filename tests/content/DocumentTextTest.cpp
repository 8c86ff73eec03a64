// Text from every kind of document the content index reads, built in the
// test; plain text in each encoding content search knows; the cap.
#include <gtest/gtest.h>

#include "common/Codec.h"
#include "content/DocumentText.h"
#include "tests/content/Documents.h"
#include "tests/support/TempFolder.h"

namespace zeph::test {
namespace {

using content::DocumentKind;
using content::ExtractedText;

DocumentKind kindOf(const std::string& suffix) {
    return content::documentKind(suffix, suffix == "txt");
}

TEST(DocumentText, EveryKindGivesItsTextWithoutMarkup) {
    const std::string words = utf8(u8"甲方 & force majeure 乙方");
    for (const char* suffix :
         {"docx", "xlsx", "pptx", "odt", "ods", "odp", "epub", "html", "xml"}) {
        ExtractedText text = content::extractText(kindOf(suffix), documentHolding(suffix, words));
        ASSERT_EQ(text.outcome, ExtractedText::Read) << suffix << ": " << text.reason;
        EXPECT_NE(text.text.find(words), std::string::npos) << suffix << ": " << text.text;
        for (const char* markup : {"<", "w:t", "PAGE", "hidden"})
            EXPECT_EQ(text.text.find(markup), std::string::npos) << suffix << " holds " << markup;
    }
    ExtractedText pdf =
        content::extractText(DocumentKind::Pdf, documentHolding("pdf", "force majeure"));
    ASSERT_EQ(pdf.outcome, ExtractedText::Read) << pdf.reason;
    EXPECT_NE(pdf.text.find("force majeure"), std::string::npos) << pdf.text;
}

// Words as a reader sees them: a run holding only a space keeps it, tabs and
// cells stand between words, a sheet's cells never join, and a nested HTML
// block never runs into the text before it. Nothing glues two words.
TEST(DocumentText, WordsAreSeparatedAsTheReaderSeesThem) {
    const std::string w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
    const std::string docx = zipPackage(
        {{"word/document.xml",
          "<w:document " + w + "><w:body><w:p><w:r><w:t>Lorem</w:t></w:r>"
          "<w:r><w:t xml:space=\"preserve\"> </w:t></w:r><w:r><w:t>ipsum</w:t></w:r></w:p>"
          "<w:p><w:r><w:t>left</w:t><w:tab/><w:t>right</w:t></w:r></w:p>"
          "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>file</w:t></w:r></w:p></w:tc>"
          "<w:tc><w:p><w:r><w:t>cannot</w:t></w:r></w:p></w:tc></w:tr></w:tbl>"
          "</w:body></w:document>"}});
    ExtractedText word = content::extractText(DocumentKind::WordProcessing, docx);
    ASSERT_EQ(word.outcome, ExtractedText::Read) << word.reason;
    EXPECT_NE(word.text.find("Lorem ipsum"), std::string::npos) << word.text;
    EXPECT_EQ(word.text.find("leftright"), std::string::npos) << word.text;
    EXPECT_EQ(word.text.find("filecannot"), std::string::npos) << word.text;

    const std::string xlsx = zipPackage(
        {{"xl/worksheets/sheet1.xml",
          "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
          "<sheetData><row><c t=\"inlineStr\"><is><t>file</t></is></c>"
          "<c t=\"inlineStr\"><is><t>cannot</t></is></c><c t=\"s\"><v>0</v></c>"
          "<c><v>20260417</v></c><c t=\"str\"><f>A1&amp;B1</f><v>total</v></c></row>"
          "<row><c s=\"1\"><v>45399</v></c><c s=\"2\"><v>1234.5</v></c><c s=\"3\"><v>0.125</v></c>"
          "<c><v>0.92419220000000002</v></c><c s=\"1\"><v>59</v></c><c s=\"1\"><v>61</v></c>"
          "<c t=\"b\"><v>1</v></c></row></sheetData></worksheet>"},
         {"xl/sharedStrings.xml", "<sst><si><t>invoice</t></si></sst>"},
         {"xl/styles.xml",
          "<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"#,##0.00 &quot;yuan&quot;\"/>"
          "</numFmts><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/>"
          "<xf numFmtId=\"10\"/></cellXfs></styleSheet>"}});
    ExtractedText sheet = content::extractText(DocumentKind::Spreadsheet, xlsx);
    ASSERT_EQ(sheet.outcome, ExtractedText::Read) << sheet.reason;
    // Numbers are found as the sheet shows them (dates either side of the day
    // the sheet counts in 1900 that never was); the shared text's index and
    // the formula are not.
    for (const char* shown : {"file cannot", "invoice", "20260417", "total", "2024-04-17",
                              "1,234.50", "12.50%", "0.9241922 ", "1900-02-28", "1900-03-01", "TRUE"})
        EXPECT_NE(sheet.text.find(shown), std::string::npos) << shown << ": " << sheet.text;
    EXPECT_EQ(sheet.text.find("cannot 0 "), std::string::npos) << sheet.text;  // the shared text's index
    EXPECT_EQ(sheet.text.find("A1"), std::string::npos) << sheet.text;

    ExtractedText html = content::extractText(
        DocumentKind::Html, std::string("<html><body><div>alpha<div>beta</div>gamma</div>"
                                        "<table><tr><td>one</td><td>two</td></tr></table></body></html>"));
    ASSERT_EQ(html.outcome, ExtractedText::Read) << html.reason;
    for (const char* glued : {"alphabeta", "betagamma", "onetwo"})
        EXPECT_EQ(html.text.find(glued), std::string::npos) << html.text;

    const std::string odt = zipPackage(
        {{"content.xml",
          "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
          "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:text>"
          "<text:p>two<text:s/>words and<text:tab/>more</text:p></office:text></office:body>"
          "</office:document-content>"}});
    ExtractedText open = content::extractText(DocumentKind::OpenDocument, odt);
    ASSERT_EQ(open.outcome, ExtractedText::Read) << open.reason;
    EXPECT_NE(open.text.find("two words"), std::string::npos) << open.text;
    EXPECT_EQ(open.text.find("andmore"), std::string::npos) << open.text;
}

// A text run past the XML parser's 10 MB default is read whole, and the
// document's words after it too.
TEST(DocumentText, AHugeRunDoesNotLoseTheRestOfTheDocument) {
    const std::string w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
    const std::string docx = zipPackage(
        {{"word/document.xml",
          "<w:document " + w + "><w:body><w:p><w:r><w:t>" + std::string(12u << 20, 'x') +
              "</w:t></w:r></w:p><w:p><w:r><w:t>afterword</w:t></w:r></w:p></w:body></w:document>"}});
    ExtractedText text = content::extractText(DocumentKind::WordProcessing, docx);
    ASSERT_EQ(text.outcome, ExtractedText::Read) << text.reason;
    EXPECT_FALSE(text.cut);
    EXPECT_NE(text.text.find("afterword"), std::string::npos);
    // A document that breaks off is recorded as read only in part.
    const std::string broken = zipPackage(
        {{"word/document.xml", "<w:document " + w + "><w:body><w:p><w:r><w:t>begun</w:t></w:r>"
                                                    "</w:p><w:p><w:r><w:t>broken"}});
    ExtractedText part = content::extractText(DocumentKind::WordProcessing, broken);
    EXPECT_NE(part.text.find("begun"), std::string::npos);
    EXPECT_TRUE(part.cut);
}

TEST(DocumentText, PlainTextInEveryEncodingBecomesUtf8) {
    const std::string utf8Text = utf8(u8"蓝鲸数据 report");
    const std::string gbk = *toGbk(utf8Text);
    std::string le, be;
    for (char32_t c : std::u32string(U"蓝鲸数据 report")) {
        le += static_cast<char>(c & 0xFF);
        le += static_cast<char>(c >> 8);
        be += static_cast<char>(c >> 8);
        be += static_cast<char>(c & 0xFF);
    }
    for (const std::string& bytes :
         {utf8Text, "\xEF\xBB\xBF" + utf8Text, gbk, "\xFF\xFE" + le, "\xFE\xFF" + be, le})
        EXPECT_EQ(content::decodePlainText(bytes), utf8Text);
}

TEST(DocumentText, TheCapCutsAtACharacterAndSaysSo) {
    std::string long_;
    for (int i = 0; i < 1000; ++i) long_ += utf8(u8"甲方");
    ExtractedText text = content::extractText(DocumentKind::PlainText, long_, 100);
    EXPECT_TRUE(text.cut);
    EXPECT_LE(text.text.size(), 100u);
    EXPECT_TRUE(isUtf8(text.text));
    // A package whose part inflates past the part bound is read up to it.
    ExtractedText bomb =
        content::extractText(DocumentKind::WordProcessing, inflatingDocument(100u << 20), 1u << 20);
    EXPECT_EQ(bomb.outcome, ExtractedText::Read);
    EXPECT_TRUE(bomb.cut);
}

TEST(DocumentText, NoDocumentIsUnreadableNeverAFault) {
    for (const char* suffix : {"docx", "xlsx", "pptx", "odt", "epub", "pdf", "xml"}) {
        for (const std::string& bytes :
             {std::string(), std::string("PK\x03\x04 broken"), std::string(5000, '\xFF')}) {
            ExtractedText text = content::extractText(kindOf(suffix), bytes);
            EXPECT_EQ(text.outcome, ExtractedText::Unreadable) << suffix;
            EXPECT_FALSE(text.reason.empty()) << suffix;
        }
    }
    // HTML whose recovery splits characters: the stored text is still UTF-8.
    ExtractedText split = content::extractText(DocumentKind::Html, "<p>x &\xff\xff\xff\xff;a</p>");
    EXPECT_TRUE(isUtf8(split.text)) << split.text;
    EXPECT_EQ(kindOf("doc"), DocumentKind::None);  // name only: no reader for it here
    EXPECT_EQ(kindOf("txt"), DocumentKind::PlainText);
    EXPECT_EQ(kindOf("jpg"), DocumentKind::None);
}

}  // namespace
}  // namespace zeph::test
