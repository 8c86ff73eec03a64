// A web page of the program's own views: local pages (and data: and about:)
// stay in the view; a web link the user follows opens in the desktop's
// browser, which says so when there is none; a page's new window opens in
// the same view.
#pragma once

#include <QWebEnginePage>

namespace zeph {

class LocalOnlyPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType) override { return this; }
};

}  // namespace zeph
