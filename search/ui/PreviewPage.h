// The preview page of one result: a small UTF-8 HTML table with the file's
// name, folder, size, type and time, every text escaped.
#pragma once

#include <QString>

namespace zeph {

struct ResultRow;

// The page's HTML. labelWidth is the width of the label cells in percent.
QString previewHtml(const ResultRow& row, int labelWidth);
// Writes the page to tmp/preview.html of the data folder; its path, or ""
// when it could not be written.
QString writePreviewPage(const QString& dataFolder, const ResultRow& row, int screenWidth);

}  // namespace zeph
