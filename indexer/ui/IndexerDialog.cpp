#include "IndexerDialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "common/widgets/GbkText.h"
#include "indexer/RunProgress.h"

namespace zeph {

namespace {
const char* const kStepCaptions[4] = {"读取系统配置", "扫描文件系统", "建立快速索引", "完成索引"};
}  // namespace

IndexerDialog::IndexerDialog(IndexRun& run, QWidget* parent) : QDialog(parent), m_run(run) {
    setWindowTitle(QStringLiteral("ZEPH桌面搜索索引程序"));
    setPalette(QPalette(QColor(214, 223, 247)));
    setAutoFillBackground(true);

    auto* steps = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        m_markers[i] = new QLabel(this);
        m_markers[i]->setFixedSize(20, 20);
        m_steps[i] = new QLabel(QString::fromUtf8(kStepCaptions[i]), this);
        steps->addWidget(m_markers[i], i, 0);
        steps->addWidget(m_steps[i], i, 1);
    }
    steps->setColumnStretch(1, 1);

    m_status = new QLabel(QStringLiteral("正在扫描："), this);
    m_status->setMinimumWidth(480);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_statistics = new QLabel(this);

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    connect(ok, &QPushButton::clicked, this, &IndexerDialog::reject);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (confirmCancel()) m_run.requestStop();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(steps);
    layout->addSpacing(8);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);
    layout->addWidget(m_statistics);
    layout->addLayout(buttons);
    setMarker(0, false);

    m_refreshTimer.setInterval(1000);
    connect(&m_refreshTimer, &QTimer::timeout, this, &IndexerDialog::refresh);
}

IndexerDialog::~IndexerDialog() {
    if (m_worker.joinable()) m_worker.join();
}

void IndexerDialog::startRun() {
    m_worker = std::thread([this] {
        m_run.run(this);
        m_workerDone = true;
        QMetaObject::invokeMethod(this, &IndexerDialog::refresh, Qt::QueuedConnection);
    });
    m_refreshTimer.start();
    refresh();
}

void IndexerDialog::stepStarted(int step) {
    QMetaObject::invokeMethod(this, [this, step] { setMarker(step, false); }, Qt::QueuedConnection);
}

void IndexerDialog::stepFinished(int step) {
    QMetaObject::invokeMethod(this, [this, step] { setMarker(step, true); }, Qt::QueuedConnection);
}

void IndexerDialog::statusChanged(const std::string& gbkText) {
    QString text = toQString(gbkText);
    QMetaObject::invokeMethod(this, [this, text] { m_status->setText(text); }, Qt::QueuedConnection);
}

void IndexerDialog::setMarker(int step, bool done) {
    auto icon = style()->standardIcon(done ? QStyle::SP_DialogApplyButton : QStyle::SP_ArrowRight);
    m_markers[step]->setPixmap(icon.pixmap(16, 16));
    QFont font = m_steps[step]->font();
    font.setBold(!done);
    font.setItalic(done);
    m_steps[step]->setFont(font);
}

void IndexerDialog::refresh() {
    RunSnapshot snapshot = m_run.snapshot();
    m_lastPercent = progressPercent(snapshot, m_lastPercent);
    m_progress->setValue(m_lastPercent);
    if (std::string status = progressStatusText(snapshot); !status.empty())
        m_status->setText(toQString(status));
    if (snapshot.stage == kStageScanning && snapshot.rootsTotal > 0)
        m_statistics->setText(toQString(progressStatisticsText(snapshot, m_lastPercent)));
    if (m_workerDone) {
        m_refreshTimer.stop();
        if (m_worker.joinable()) m_worker.join();
        QDialog::reject();
    }
}

bool IndexerDialog::confirmCancel() {
    return QMessageBox::question(this, QStringLiteral("确定退出"),
                                 QStringLiteral("索引更新尚未完成，确定需要退出吗？"),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

// Escape, the close box and "确定" all ask first; after Yes the run winds down
// (a publish under way is finished, never cut) and the window closes itself.
void IndexerDialog::reject() {
    if (m_workerDone) {
        QDialog::reject();
        return;
    }
    if (!m_run.stopRequested() && confirmCancel()) m_run.requestStop();
}

void IndexerDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

}  // namespace zeph
