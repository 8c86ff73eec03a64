// The preview page of one result: a small UTF-8 HTML table with the file's
// name, folder, size, type and time, every text escaped.
#pragma once

#include <QString>

namespace zeph {

struct ResultRow;

// The page's HTML. labelWidth is the width of the label cells in percent;
// timeCaption names the time the row shows, as the result list's column does.
QString previewHtml(const ResultRow& row, int labelWidth, const QString& timeCaption);
// Writes the page to tmp/preview.html of the data folder; its path, or ""
// when it could not be written.
QString writePreviewPage(const QString& dataFolder, const ResultRow& row, int screenWidth,
                         const QString& timeCaption);

}  // namespace zeph
