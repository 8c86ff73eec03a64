#include "HtmlPane.h"

#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineSettings>

#include "common/widgets/DesktopOpen.h"

namespace zeph {

namespace {

// Local pages stay in the pane; a followed web link opens in the desktop's browser.
class LocalOnlyPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (url.isLocalFile() || url.scheme() == QLatin1String("data") ||
            url.scheme() == QLatin1String("about"))
            return true;
        if (type == NavigationTypeLinkClicked && isMainFrame) openWebAddress(url.toString());
        return false;
    }
};

}  // namespace

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
