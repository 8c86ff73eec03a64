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
