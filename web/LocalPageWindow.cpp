#include "LocalPageWindow.h"

#include <QShortcut>
#include <QVBoxLayout>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "web/LocalOnlyPage.h"

namespace zeph {

LocalPageWindow* LocalPageWindow::showPage(QWidget* parent, const QString& title, const QUrl& page) {
    LocalPageWindow* window = nullptr;
    for (auto* open : parent->findChildren<LocalPageWindow*>(QString(), Qt::FindDirectChildrenOnly))
        if (open->page() == page) window = open;
    if (!window) window = new LocalPageWindow(parent, title, page);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

LocalPageWindow::LocalPageWindow(QWidget* parent, const QString& title, const QUrl& page)
    : QWidget(parent, Qt::Window), m_page(page) {
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    m_view = new QWebEngineView(this);
    m_view->setPage(new LocalOnlyPage(m_view));
    m_view->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
    resize(820, 640);
    m_view->load(page);
}

}  // namespace zeph
