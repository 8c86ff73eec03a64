// The browser pane below the result list: the tip page at start, then the
// preview of the clicked result. Only local pages of the program are shown
// here; links go to the desktop's browser.
#pragma once

#include <QWebEngineView>

namespace zeph {

class HtmlPane : public QWebEngineView {
    Q_OBJECT
public:
    explicit HtmlPane(QWidget* parent = nullptr);
    void showLocalFile(const QString& path);
};

}  // namespace zeph
