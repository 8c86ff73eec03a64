// The search program's web content: the advertisement strip (one second
// after start), the notification popup (eight seconds after start), and the
// new-version and feedback pages. The strip lives inside the main window, at
// the right end of a bar (the toolbar), so it is never above a dialog or
// another program; where the bar's own controls leave too little room for
// it, it hides until they do.
#pragma once

#include <QObject>
#include <QPointer>

#include <atomic>
#include <thread>

namespace zeph {

class AdvertPane;
class TaskbarNotifier;

class WebContent : public QObject {
    Q_OBJECT
public:
    explicit WebContent(QWidget* mainWindow);
    ~WebContent() override;

    void showAdvertisementStrip(QWidget* bar);
    // Fetches the notification on a worker thread; shows the popup when it arrives.
    void showNotification();
    void runNewVersion();
    void runFeedback();
    // Ends the requests still under way (the window is closing).
    void shutDown();

    QWidget* strip() const { return m_strip; }
    TaskbarNotifier* notifier() const { return m_notifier; }

private:
    void showFetchedNotification(const QString& text, const QString& link);

    QWidget* m_mainWindow;
    QPointer<QWidget> m_strip;
    TaskbarNotifier* m_notifier = nullptr;
    std::thread m_notification;
    std::atomic<bool> m_cancel{false};
};

}  // namespace zeph
