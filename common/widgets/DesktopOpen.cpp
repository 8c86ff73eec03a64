#include "DesktopOpen.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace zeph {

bool openLocalPath(const QString& path) {
    // Through fromLocalFile, so names with '#', '?' or '%' stay names.
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool openWebAddress(const QString& address) {
    QString text = address.trimmed();
    if (!text.contains(QStringLiteral("://"))) text.prepend(QStringLiteral("http://"));
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) ||
        url.host().isEmpty())
        return false;
    return QDesktopServices::openUrl(url);
}

}  // namespace zeph
