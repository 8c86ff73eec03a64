#include "ContentDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/widgets/GbkText.h"
#include "common/widgets/ProgramFolders.h"
#include "indexer/ui/GradientProgressBar.h"

namespace zeph {

ContentDialog::ContentDialog(content::ContentIndexer& indexer, QWidget* parent)
    : QDialog(parent), m_indexer(indexer) {
    setWindowTitle(QStringLiteral("ZEPH桌面搜索索引程序"));
    setWindowIcon(programIcon("app"));
    m_status = new QLabel(QStringLiteral("正在比较文档内容索引..."), this);
    m_status->setMinimumWidth(420);
    m_progress = new GradientProgressBar(this);
    m_progress->setFixedHeight(22);
    m_progress->setRange(0, 100);
    m_progress->setShowPercent(true);
    m_progress->setColours(QColor(0, 0, 255), QColor(255, 0, 0), QColor(240, 240, 240),
                           QColor(0, 255, 0));
    auto* note =
        new QLabel(QStringLiteral("文件名已经可以搜索；文档内容读完后也可以按内容搜索。"), this);
    auto* later = new QPushButton(QStringLiteral("以后再读"), this);
    connect(later, &QPushButton::clicked, this, &ContentDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(later);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 12);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);
    layout->addWidget(note);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, &ContentDialog::refresh);
}

ContentDialog::~ContentDialog() {
    m_stop = true;
    if (m_worker.joinable()) m_worker.join();
}

void ContentDialog::start() {
    m_worker = std::thread([this] {
        m_stored = m_indexer.compare(m_stop) && m_indexer.extractPending(m_stop);
        m_done = true;
    });
    m_timer.start();
}

void ContentDialog::refresh() {
    const std::int64_t done = m_indexer.done(), left = m_indexer.left();
    if (left > 0 || done > 0) {
        m_status->setText(
            QStringLiteral("正在读取文档内容：已读 %1 个，还有 %2 个").arg(done).arg(left));
        m_progress->setPos(static_cast<int>(100 * done / std::max<std::int64_t>(1, done + left)));
    }
    if (m_done) {
        m_timer.stop();
        if (m_worker.joinable()) m_worker.join();
        if (!m_stored && !m_stop) {
            // Said in the window, which stays until the user closes it.
            m_status->setText(contentFailureText(m_indexer));
            m_stop = true;
            return;
        }
        QDialog::done(m_stored ? QDialog::Accepted : QDialog::Rejected);
    }
}

// Closing stops the reading; what was read stays.
void ContentDialog::reject() {
    if (m_done) {
        QDialog::done(QDialog::Rejected);
        return;
    }
    m_stop = true;
    m_userStopped = true;
    m_status->setText(QStringLiteral("正在停止..."));
}

QString contentFailureText(content::ContentIndexer& indexer) {
    QString why = toQString(indexer.ready() ? indexer.store().failureText() : indexer.problem());
    if (why.isEmpty()) why = QStringLiteral("文档内容索引无法写入");
    return QStringLiteral("%1。还有 %2 个文档没有读取，下次更新索引时继续。")
        .arg(why)
        .arg(indexer.left());
}

}  // namespace zeph
