#include "HtmlPane.h"

#include <QUrl>
#include <QWebEngineSettings>

#include "web/LocalOnlyPage.h"

namespace zeph {

HtmlPane::HtmlPane(QWidget* parent) : QWebEngineView(parent) {
    setPage(new LocalOnlyPage(this));
    settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setMinimumHeight(30);
}

void HtmlPane::showLocalFile(const QString& path) {
    load(QUrl::fromLocalFile(path));
}

}  // namespace zeph
