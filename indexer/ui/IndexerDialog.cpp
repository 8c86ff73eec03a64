#include "IndexerDialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/widgets/GbkText.h"
#include "common/widgets/ProgramFolders.h"
#include "indexer/RunProgress.h"
#include "indexer/ui/GradientProgressBar.h"
#include "web/AdvertPane.h"

namespace zeph {

namespace {

const char* const kStepCaptions[4] = {"读取系统配置", "扫描文件系统", "建立快速索引", "完成索引"};
enum StepState { Pending, Current, Done };

}  // namespace

IndexerDialog::IndexerDialog(IndexRun& run, QWidget* parent) : QDialog(parent), m_run(run) {
    setWindowTitle(QStringLiteral("ZEPH桌面搜索索引程序"));
    setWindowIcon(programIcon("app"));
    setAutoFillBackground(true);
    QPalette light = palette();
    light.setColor(QPalette::Window, QColor(214, 223, 247));
    light.setColor(QPalette::WindowText, Qt::black);
    setPalette(light);

    m_advert = new AdvertPane(indexerAdvert(), this);

    auto* steps = new QGridLayout;
    steps->setContentsMargins(20, 8, 20, 0);
    steps->setHorizontalSpacing(8);
    for (int i = 0; i < 4; ++i) {
        m_markers[i] = new QLabel(this);
        m_markers[i]->setFixedSize(22, 22);
        m_steps[i] = new QLabel(QString::fromUtf8(kStepCaptions[i]), this);
        setStepFont(i, Pending);
        steps->addWidget(m_markers[i], i, 0);
        steps->addWidget(m_steps[i], i, 1);
    }
    steps->setColumnStretch(1, 1);

    m_status = new QLabel(QStringLiteral("正在扫描："), this);
    m_status->setMinimumWidth(490);
    m_status->setTextFormat(Qt::PlainText);
    m_progress = new GradientProgressBar(this);
    m_progress->setFixedHeight(22);
    m_progress->setRange(0, 100);
    m_progress->setPos(0);
    m_progress->setShowPercent(true);
    m_progress->setColours(QColor(0, 0, 255), QColor(255, 0, 0), QColor(240, 240, 240),
                           QColor(0, 255, 0));
    m_statistics = new QLabel(this);

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &IndexerDialog::cancelRun);
    connect(cancel, &QPushButton::clicked, this, &IndexerDialog::cancelRun);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* progress = new QVBoxLayout;
    progress->setContentsMargins(44, 6, 24, 10);
    progress->addWidget(m_status);
    progress->addWidget(m_progress);
    progress->addWidget(m_statistics);
    progress->addSpacing(6);
    progress->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_advert);
    layout->addLayout(steps);
    layout->addLayout(progress);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setMarker(0, false);
    m_refreshTimer.setInterval(1000);
    connect(&m_refreshTimer, &QTimer::timeout, this, &IndexerDialog::refresh);
}

IndexerDialog::~IndexerDialog() {
    if (m_worker.joinable()) {
        m_run.requestStop();
        m_worker.join();
    }
}

void IndexerDialog::setStepFont(int step, int state) {
    QFont font = m_steps[step]->font();
    font.setWeight(state == Current ? QFont::Bold : state == Done ? QFont::Normal : QFont::Light);
    font.setItalic(state == Done);
    m_steps[step]->setFont(font);
}

void IndexerDialog::startRun() {
    m_advert->start();
    m_worker = std::thread([this] {
        m_outcome = m_run.run(this);
        m_workerDone = true;
        QMetaObject::invokeMethod(this, &IndexerDialog::refresh, Qt::QueuedConnection);
    });
    m_refreshTimer.start();
    // Queued: a run that ends at once must not close the window before the
    // event loop runs, or the program would wait for a window already gone.
    QMetaObject::invokeMethod(this, &IndexerDialog::refresh, Qt::QueuedConnection);
}

void IndexerDialog::stepStarted(int step) {
    QMetaObject::invokeMethod(
        this,
        [this, step] {
            setMarker(step, false);
            refresh();  // each stage shows at once, however short it is
        },
        Qt::QueuedConnection);
}

void IndexerDialog::stepFinished(int step) {
    QMetaObject::invokeMethod(
        this, [this, step] { setMarker(step, true); }, Qt::QueuedConnection);
}

void IndexerDialog::statusChanged(const std::string& gbkText) {
    QString text = toQString(gbkText);
    QMetaObject::invokeMethod(
        this, [this, text] { m_status->setText(text); }, Qt::QueuedConnection);
}

void IndexerDialog::setMarker(int step, bool done) {
    m_markers[step]->setPixmap(programIcon(done ? "step-check" : "step-arrow").pixmap(20, 20));
}

void IndexerDialog::refresh() {
    RunSnapshot snapshot = m_run.snapshot();
    m_lastPercent = progressPercent(snapshot, m_lastPercent);
    m_progress->setPos(m_lastPercent);
    for (int step = 0; step < 4; ++step)
        setStepFont(step, step < snapshot.stage    ? Done
                          : step == snapshot.stage ? Current
                                                   : Pending);
    if (std::string status = progressStatusText(snapshot); !status.empty())
        m_status->setText(toQString(status));
    if (snapshot.stage == kStageScanning && snapshot.rootsTotal > 0)
        m_statistics->setText(toQString(progressStatisticsText(snapshot, m_lastPercent)));
    if (m_workerDone && !m_closing) {
        m_closing = true;
        m_refreshTimer.stop();
        if (m_worker.joinable()) m_worker.join();
        QDialog::done(QDialog::Accepted);
    }
}

void IndexerDialog::cancelRun() {
    if (m_workerDone) {
        refresh();
        return;
    }
    if (m_run.stopRequested()) return;
    if (uiAsk(QStringLiteral("索引更新尚未完成，确定需要退出吗？"), QStringLiteral("确定退出")))
        m_run.requestStop();
}

// Escape ends a dialog through reject: it asks first, like the cancel button.
// After Yes the run winds down (a publish under way is finished, never cut) and
// the window closes itself.
void IndexerDialog::reject() {
    cancelRun();
}

void IndexerDialog::closeEvent(QCloseEvent* event) {
    if (m_closing) {
        event->accept();
        return;
    }
    event->ignore();
    cancelRun();
}

}  // namespace zeph
