#include "PageDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "common/ServerHost.h"

namespace zeph {

namespace {

const char kWaitingPage[] =
    "<!DOCTYPE html><html><head><meta "
    "charset=\"utf-8\"><title>检测ZEPH桌面搜索最新版本</title></head>"
    "<body "
    "style=\"background:#c1d6ff;font-family:sans-serif;font-size:14px;color:#1f2d4d;margin:24px\">"
    "<p>正在连接ZEPH桌面搜索服务器，请稍候...</p></body></html>";

const char kUnreachablePage[] =
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>ZEPH桌面搜索</title></head>"
    "<body "
    "style=\"background:#c1d6ff;font-family:sans-serif;font-size:14px;color:#1f2d4d;margin:24px\">"
    "<p>暂时无法连接ZEPH桌面搜索服务器，请检查网络连接后再试。</p></body></html>";

// Keeps the view on web pages of http and https, hands "app:" links to the dialog.
class GuardedPage : public QWebEnginePage {
public:
    GuardedPage(PageDialog* dialog, QObject* parent) : QWebEnginePage(parent), m_dialog(dialog) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        QString text = url.toString();
        if (text.left(4).compare(QLatin1String("app:"), Qt::CaseInsensitive) == 0) {
            m_dialog->onAppCommand(text.mid(4));
            return false;
        }
        const QString scheme = url.scheme();
        return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
               scheme == QLatin1String("data") || url.isEmpty();
    }
    // A new window opens in this view.
    QWebEnginePage* createWindow(WebWindowType) override { return this; }
    void javaScriptAlert(const QUrl&, const QString&) override {}  // silent: no script boxes
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }

private:
    PageDialog* m_dialog;
};

}  // namespace

PageDialog::PageDialog(const QString& title, const QUrl& address, QWidget* parent)
    : QDialog(parent), m_address(address) {
    setWindowTitle(title);
    m_view = new QWebEngineView(this);
    m_view->setPage(new GuardedPage(this, m_view));
    m_view->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    m_view->setHtml(QString::fromUtf8(kWaitingPage));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addWidget(buttons);
    resize(640, 480);
    connect(m_view, &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (!ok && m_view->url() == m_address) m_view->setHtml(QString::fromUtf8(kUnreachablePage));
    });
    // The waiting page first, then the request.
    QTimer::singleShot(0, this, [this] { m_view->load(m_address); });
}

PageDialog::~PageDialog() = default;

// The page takes every key it is given, Escape too. While the dialog shows,
// it sees the keys bound for its own widgets first, so Escape closes it as it
// closes every other dialog.
void PageDialog::showEvent(QShowEvent* event) {
    qApp->installEventFilter(this);
    QDialog::showEvent(event);
}

void PageDialog::hideEvent(QHideEvent* event) {
    qApp->removeEventFilter(this);
    QDialog::hideEvent(event);
}

bool PageDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && widget &&
            (widget == this || isAncestorOf(widget))) {
            reject();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PageDialog::onAppCommand(const QString&) {}

QDialog* PageDialog::newVersionDialog(QWidget* parent) {
    QUrl address(QString::fromStdString(
        serverAddress("/ZEPHSearch/NewVersion.php?CurrentVersion=20100214")));
    return new PageDialog(QStringLiteral("检测新版本"), address, parent);
}

QDialog* PageDialog::feedbackDialog(QWidget* parent) {
    QUrl address(QString::fromStdString(serverAddress("/ZEPHSearch/Suggestion.html")));
    return new PageDialog(QStringLiteral("意见反馈窗口"), address, parent);
}

}  // namespace zeph
