#include "DesktopOpen.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QUrl>

#include <memory>

#include "common/Process.h"
#include "common/widgets/DiskPaths.h"
#include "common/widgets/GbkText.h"

namespace zeph {

namespace {

// Longest the busy pointer shows: an opener without a desktop of its own
// waits for the program it started, so its end can come much later.
constexpr int kBusyAtMostMs = 3000;

// The busy pointer of one opener, taken back once: when the opener ends or
// after kBusyAtMostMs, whichever comes first.
class BusyPointer : public std::enable_shared_from_this<BusyPointer> {
public:
    BusyPointer() {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
        else
            m_released = true;
    }
    void releaseLater() {
        QTimer::singleShot(kBusyAtMostMs, QCoreApplication::instance(),
                           [self = shared_from_this()] { self->release(); });
    }
    void release() {
        if (m_released) return;
        m_released = true;
        QGuiApplication::restoreOverrideCursor();
    }

private:
    bool m_released = false;
};

bool launch(const QUrl& url, QObject* context, OpenFailed onFailure) {
    auto busy = std::make_shared<BusyPointer>();
    busy->releaseLater();
    ProgramEnded ended = [guard = QPointer<QObject>(context ? context
                                                            : QCoreApplication::instance()),
                          onFailure, busy](int exitCode) {
        if (!QCoreApplication::instance()) return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, onFailure, busy, exitCode] {
                busy->release();
                if (exitCode != 0 && onFailure && guard) onFailure(exitCode);
            },
            Qt::QueuedConnection);
    };
    bool started = startDetached("xdg-open", {url.toString(QUrl::FullyEncoded).toStdString()}, {},
                                 std::move(ended));
    if (!started) busy->release();
    return started;
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

QString openFailureText(int exitCode, const QString& otherwise, bool webAddress) {
    if (exitCode != kOpenerNoProgram) return otherwise;
    return webAddress ? QStringLiteral("没有可以打开网页的程序，请安装一个网页浏览器后再试。")
                      : QStringLiteral("没有可以打开这类文件的程序，请安装一个能打开它的程序后再试。");
}

void showOpenFailure(const QString& text, const QString& caption) {
    static QSet<QString> showing;
    if (showing.contains(text)) return;
    showing.insert(text);
    uiMessage(text, caption);
    showing.remove(text);
}

}  // namespace zeph
