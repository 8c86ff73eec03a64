#include "QtMessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include <unistd.h>

#include <cstdio>

#include "GbkText.h"

namespace zeph {

namespace {

// Runs a box on the UI thread and waits for its answer.
template <class Box>
auto onUiThread(Box box) {
    if (!qApp || QThread::currentThread() == qApp->thread()) return box();
    decltype(box()) result{};
    QMetaObject::invokeMethod(
        qApp, [&] { result = box(); }, Qt::BlockingQueuedConnection);
    return result;
}

QString captionOf(const std::string& caption) {
    return caption.empty() ? QApplication::applicationDisplayName() : toQString(caption);
}

}  // namespace

void QtMessages::show(const std::string& text, const std::string& caption) {
    onUiThread([&] {
        QMessageBox::information(QApplication::activeWindow(), captionOf(caption), toQString(text));
        return 0;
    });
}

bool QtMessages::ask(const std::string& text, const std::string& caption) {
    return onUiThread([&] {
        return QMessageBox::question(QApplication::activeWindow(), captionOf(caption),
                                     toQString(text), QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    });
}

void QtMessages::exitProcess(int code) {
    std::fflush(nullptr);
    _exit(code);
}

}  // namespace zeph
