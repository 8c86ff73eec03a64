// A window of the program's own showing a page it ships (the help) or a text
// on this machine (the licence) in its own web view, so no web browser is
// needed. Links to local files open in the same view, web addresses in the
// desktop's browser. One window per page: asking again raises it.
#pragma once

#include <QUrl>
#include <QWidget>

class QWebEngineView;

namespace zeph {

class LocalPageWindow : public QWidget {
    Q_OBJECT
public:
    // Shows the page in its window, made the first time; the window belongs to parent.
    static LocalPageWindow* showPage(QWidget* parent, const QString& title, const QUrl& page);

    QWebEngineView* view() const { return m_view; }
    QUrl page() const { return m_page; }

private:
    LocalPageWindow(QWidget* parent, const QString& title, const QUrl& page);

    QWebEngineView* m_view;
    QUrl m_page;
};

}  // namespace zeph
