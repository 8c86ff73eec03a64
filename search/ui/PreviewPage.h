// The preview page of one result: a small UTF-8 HTML table with the file's
// name, folder, size, type and time, every text escaped; after a content
// search, the lines where the file holds the words, the words marked; for a
// file the content index could not read, why.
#pragma once

#include <QString>

#include <optional>

#include "content/ContentContext.h"

namespace zeph {

struct ResultRow;

// The page's HTML. labelWidth is the width of the label cells in percent;
// timeCaption names the time the row shows, as the result list's column does.
QString previewHtml(const ResultRow& row, int labelWidth, const QString& timeCaption,
                    const std::optional<content::Context>& context = std::nullopt,
                    const QString& readingFailure = {});
// Writes the page to tmp/preview.html of the data folder; its path, or ""
// when it could not be written.
QString writePreviewPage(const QString& dataFolder, const ResultRow& row, int screenWidth,
                         const QString& timeCaption,
                         const std::optional<content::Context>& context = std::nullopt,
                         const QString& readingFailure = {});

}  // namespace zeph
