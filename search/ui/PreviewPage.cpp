#include "PreviewPage.h"

#include <QDir>
#include <QSaveFile>

#include "common/widgets/GbkText.h"
#include "search/engine/ResultView.h"

namespace zeph {

namespace {

QString labelCell(int width, const QString& label, bool boldOutside) {
    if (boldOutside)
        return QStringLiteral(
                   "<td width='%1%' align='right' valign='top'><b><span lang='zh-cn'><font "
                   "size='1' "
                   "color='#000080'>%2</font></span></b></td>")
            .arg(width)
            .arg(label);
    return QStringLiteral(
               "<td width='%1%'  align='right'  valign='top'><span lang='zh-cn'><font size='1' "
               "color='#000080'><b>%2</b></font></span></td>")
        .arg(width)
        .arg(label);
}

QString valueCell(const QString& value) {
    return QStringLiteral("<td width='40%'><font size='1' color='#000080'>%1</font></span></td>")
        .arg(value);
}

QString escaped(const std::string& gbk) {
    return toQString(gbk).toHtmlEscaped();
}

}  // namespace

QString previewHtml(const ResultRow& row, int w, const QString& timeCaption,
                    const std::optional<content::Context>& context,
                    const QString& readingFailure) {
    const QString rowStart = QStringLiteral("<tr>\t\t\t\t   ");
    const QString rowEnd = QStringLiteral("\t\t\t\t   </tr>");
    QString html = QStringLiteral(
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>preview</title></head>"
        "<body bgcolor='#CECEFF'><table border='0' width='100%' id='table1'>");
    html += rowStart + labelCell(w, QStringLiteral("文件名称："), true) +
            valueCell(escaped(row.name)) +
            QStringLiteral("<td width='40%' rowspan='4' align='left' valign='top'>\u3000</td>") +
            rowEnd;
    const std::pair<QString, QString> rows[] = {
        {QStringLiteral("所在目录："), escaped(row.folder)},
        {QStringLiteral("文件大小："),
         escaped(row.sizeText).trimmed() + QStringLiteral("    字节")},
        {QStringLiteral("文件类型："), escaped(row.typeText)},
        {timeCaption + QStringLiteral("："), escaped(row.timeText)},
    };
    for (const auto& [label, value] : rows)
        html += rowStart + labelCell(w, label, false) + valueCell(value) + rowEnd;
    html += QStringLiteral("</table>");
    if (context) {
        auto lines = [](const std::string& utf8) {
            return QString::fromStdString(utf8).toHtmlEscaped().replace(QLatin1Char('\n'),
                                                                        QStringLiteral("<br>"));
        };
        html += QStringLiteral(
                    "<p style='margin:4px 8px;font-size:small;color:#000080'><b>文件内容：</b>"
                    "<br>%1<mark>%2</mark>%3</p>")
                    .arg(lines(context->before), lines(context->match), lines(context->after));
    }
    if (!readingFailure.isEmpty())
        html += QStringLiteral(
                    "<p style='margin:4px 8px;font-size:small;color:#800000'><b>文件内容：</b>"
                    "%1</p>")
                    .arg(readingFailure.toHtmlEscaped());
    html += QStringLiteral("</body></html>");
    return html;
}

QString writePreviewPage(const QString& dataFolder, const ResultRow& row, int screenWidth,
                         const QString& timeCaption,
                         const std::optional<content::Context>& context,
                         const QString& readingFailure) {
    QString path = QDir(dataFolder).filePath(QStringLiteral("tmp/preview.html"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(previewHtml(row, screenWidth <= 1200 ? 10 : 7, timeCaption, context, readingFailure).toUtf8());
    return file.commit() ? path : QString();
}

}  // namespace zeph
