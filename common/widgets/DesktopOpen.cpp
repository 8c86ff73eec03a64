#include "DesktopOpen.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QUrl>

#include "common/Process.h"
#include "common/widgets/DiskPaths.h"

namespace zeph {

namespace {

bool launch(const QUrl& url, QObject* context, OpenFailed onFailure) {
    ProgramEnded ended;
    if (onFailure)
        ended = [guard = QPointer<QObject>(context ? context : QCoreApplication::instance()),
                 onFailure](int exitCode) {
            if (exitCode == 0 || !QCoreApplication::instance()) return;
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [guard, onFailure] {
                    if (guard) onFailure();
                },
                Qt::QueuedConnection);
        };
    return startDetached("xdg-open", {url.toString(QUrl::FullyEncoded).toStdString()}, {},
                         std::move(ended));
}

}  // namespace

bool openLocalPath(const QString& path, QObject* context, OpenFailed onFailure) {
    // By its bytes on disk, every one percent-encoded, so names with '#', '?'
    // or '%', and names that are not UTF-8, stay names.
    QByteArray onDisk = diskPath(path);
    if (onDisk.isEmpty()) return false;
    return launch(diskUrl(onDisk), context, std::move(onFailure));
}

bool openWebAddress(const QString& address, QObject* context, OpenFailed onFailure) {
    QString text = address.trimmed();
    if (!text.contains(QStringLiteral("://"))) text.prepend(QStringLiteral("http://"));
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) ||
        url.host().isEmpty())
        return false;
    return launch(url, context, std::move(onFailure));
}

}  // namespace zeph
