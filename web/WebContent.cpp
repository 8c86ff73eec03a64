#include "WebContent.h"

#include <QDialog>
#include <QDir>
#include <QEvent>
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

namespace {

// Keeps the strip at the right end of its bar, clear of the bar's controls.
class StripPlacer : public QObject {
public:
    StripPlacer(QWidget* strip, QWidget* bar) : QObject(strip), m_strip(strip), m_bar(bar) {
        bar->installEventFilter(this);
    }
    void place() {
        constexpr int kGap = 8;
        int controlsEnd = 0;
        for (QWidget* control : m_bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (control != m_strip && control->isVisible())
                controlsEnd = std::max(controlsEnd, control->geometry().right() + 1);
        const QSize size = m_strip->size();
        const int x = m_bar->width() - size.width() - kGap;
        m_strip->move(x, std::max(0, (m_bar->height() - size.height()) / 2));
        m_strip->setVisible(x >= controlsEnd + kGap && m_bar->height() >= size.height());
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest ||
            event->type() == QEvent::Show)
            place();
        return false;
    }

private:
    QWidget* m_strip;
    QWidget* m_bar;
};

}  // namespace

void WebContent::showAdvertisementStrip(QWidget* bar) {
    if (m_strip) return;
    QScreen* screen =
        m_mainWindow->screen() ? m_mainWindow->screen() : QGuiApplication::primaryScreen();
    const int screenWidth = screen->geometry().width();
    auto* strip = new QWidget(bar);
    strip->setObjectName(QStringLiteral("advertisementStrip"));
    auto* pane = new AdvertPane(stripAdvert(screenWidth), strip);
    auto* layout = new QVBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pane);
    strip->resize(screenWidth > 1200 ? 700 : 500, 48);
    pane->start();
    (new StripPlacer(strip, bar))->place();
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
