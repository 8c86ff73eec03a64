#include "LocalOnlyPage.h"

#include <QUrl>

#include "common/widgets/DesktopOpen.h"

namespace zeph {

bool LocalOnlyPage::acceptNavigationRequest(const QUrl& url, NavigationType type,
                                            bool isMainFrame) {
    if (url.isLocalFile() || url.scheme() == QLatin1String("data") ||
        url.scheme() == QLatin1String("about") || url.isEmpty())
        return true;
    if (type == NavigationTypeLinkClicked && isMainFrame)
        openWebAddress(url.toString(), nullptr, [](int exitCode) {
            showOpenFailure(openFailureText(exitCode, QStringLiteral("打开网页失败！"), true));
        });
    return false;
}

}  // namespace zeph
