#include "WebContent.h"

#include <QDialog>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "common/Codec.h"
#include "common/ServerHost.h"
#include "common/WebFetch.h"
#include "common/widgets/GbkText.h"
#include "common/widgets/ProgramFolders.h"
#include "web/AdvertPane.h"
#include "web/PageDialog.h"
#include "web/TaskbarNotifier.h"

namespace zeph {

WebContent::WebContent(QWidget* mainWindow) : QObject(mainWindow), m_mainWindow(mainWindow) {}

WebContent::~WebContent() {
    shutDown();
}

void WebContent::showAdvertisementStrip() {
    if (m_strip) return;
    QScreen* screen =
        m_mainWindow->screen() ? m_mainWindow->screen() : QGuiApplication::primaryScreen();
    const int screenWidth = screen->geometry().width();
    const int width = screenWidth > 1200 ? 700 : 500;
    auto* strip =
        new QWidget(m_mainWindow, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
    strip->setObjectName(QStringLiteral("advertisementStrip"));
    strip->setAttribute(Qt::WA_ShowWithoutActivating);
    auto* pane = new AdvertPane(stripAdvert(screenWidth), strip);
    auto* layout = new QVBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pane);
    strip->setGeometry(screen->geometry().x() + screenWidth - width, screen->geometry().y() + 48,
                       width, 48);
    pane->start();
    strip->show();
    m_strip = strip;
}

void WebContent::showNotification() {
    if (m_notification.joinable()) return;
    std::string address = serverAddress("/ZEPHSearch/NotifyMessage.php?CurrentVersion=20100214");
    std::string skin = dataFile(QStringLiteral("notify_background.bmp")).toStdString();
    QPointer<WebContent> self(this);
    m_notification = std::thread([this, self, address, skin] {
        AdvertiseInfo info;
        if (fetchAdvertise(address, true, info, &m_cancel) != 0 || m_cancel) return;
        if (isWebAddress(info.picture)) downloadFile(info.picture, skin, &m_cancel);
        // Servers answer in UTF-8 today; an answer in GBK is read as such.
        bool utf8 = toGbk(info.text).has_value();
        QString text = utf8 ? QString::fromStdString(info.text) : toQString(info.text);
        QString link = isWebAddress(info.link) ? QString::fromStdString(info.link) : QString();
        QMetaObject::invokeMethod(
            this,
            [self, text, link] {
                if (self) self->showFetchedNotification(text, link);
            },
            Qt::QueuedConnection);
    });
}

void WebContent::showFetchedNotification(const QString& text, const QString& link) {
    if (!m_notifier) m_notifier = new TaskbarNotifier(m_mainWindow);
    QString skin = dataFile(QStringLiteral("notify_background.bmp"));
    // A skin that does not load: the shipped one, else no popup.
    if (!m_notifier->setSkin(skin) &&
        !m_notifier->setSkin(programFile(QStringLiteral("NotifySkin.png"))))
        return;
    m_notifier->setTextFonts(QStringLiteral("Arial"), 9, true);
    m_notifier->setTextColours(Qt::black, QColor(0, 0, 255));
    QSize size = m_notifier->size();
    m_notifier->setTextRect(QRect(QPoint(8, 40), QPoint(size.width() - 10, size.height() - 25)));
    m_notifier->setLink(link);
    m_notifier->showText(text, 500, 30000, 500);
}

void WebContent::runNewVersion() {
    std::unique_ptr<QDialog> dialog(PageDialog::newVersionDialog(m_mainWindow));
    dialog->exec();
}

void WebContent::runFeedback() {
    std::unique_ptr<QDialog> dialog(PageDialog::feedbackDialog(m_mainWindow));
    dialog->exec();
}

void WebContent::shutDown() {
    m_cancel = true;
    if (m_notification.joinable()) m_notification.join();
}

}  // namespace zeph
