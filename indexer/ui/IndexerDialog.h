// The indexer's window: the four steps of a run with their markers, the status
// line and the statistics line. The run itself works on its own thread and
// reaches this window only through queued calls.
#pragma once

#include <QDialog>
#include <QTimer>

#include <array>
#include <memory>
#include <thread>

#include "indexer/IndexRun.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace zeph {

class IndexerDialog : public QDialog, private RunObserver {
    Q_OBJECT
public:
    IndexerDialog(IndexRun& run, QWidget* parent = nullptr);
    ~IndexerDialog() override;

    // Starts the worker; the window closes itself when the run has finished.
    void startRun();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    // RunObserver, on the worker thread.
    void stepStarted(int step) override;
    void stepFinished(int step) override;
    void statusChanged(const std::string& gbkText) override;

    void setMarker(int step, bool done);
    void refresh();
    bool confirmCancel();

    IndexRun& m_run;
    std::thread m_worker;
    std::atomic<bool> m_workerDone{false};
    QTimer m_refreshTimer;
    std::array<QLabel*, 4> m_markers{};
    std::array<QLabel*, 4> m_steps{};
    QLabel* m_status = nullptr;
    QLabel* m_statistics = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    int m_lastPercent = 0;
};

}  // namespace zeph
