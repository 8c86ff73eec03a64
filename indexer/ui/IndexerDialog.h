// The indexer's window: the advertisement pane, the four steps of a run with
// their markers, the status line, the gradient progress bar and the
// statistics line. The run works on its own thread and reaches the window only
// through queued calls; the display is refreshed from the run's state once a
// second, and the window closes itself when the run has finished.
#pragma once

#include <QDialog>
#include <QTimer>

#include <array>
#include <atomic>
#include <thread>

#include "indexer/IndexRun.h"

class QLabel;
class QPushButton;

namespace zeph {

class AdvertPane;
class GradientProgressBar;

class IndexerDialog : public QDialog, private RunObserver {
    Q_OBJECT
public:
    explicit IndexerDialog(IndexRun& run, QWidget* parent = nullptr);
    ~IndexerDialog() override;

    // Starts the worker.
    void startRun();
    // The cancel button, Escape and the close box: ask, and on Yes stop the run.
    void cancelRun();

    GradientProgressBar* progressBar() const { return m_progress; }
    QLabel* statusLine() const { return m_status; }
    QLabel* statisticsLine() const { return m_statistics; }
    QLabel* stepLabel(int step) const { return m_steps[step]; }
    bool workerDone() const { return m_workerDone; }
    // How the run ended; meaningful once the worker is done.
    IndexRun::Outcome outcome() const { return m_outcome; }
    void refresh();

    // Escape ends a dialog through reject.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // RunObserver, on the worker thread.
    void stepStarted(int step) override;
    void stepFinished(int step) override;
    void statusChanged(const std::string& gbkText) override;

    void setMarker(int step, bool done);
    void setStepFont(int step, int state);

    IndexRun& m_run;
    AdvertPane* m_advert = nullptr;
    std::thread m_worker;
    std::atomic<bool> m_workerDone{false};
    IndexRun::Outcome m_outcome = IndexRun::Outcome::Failed;
    QTimer m_refreshTimer;
    std::array<QLabel*, 4> m_markers{};
    std::array<QLabel*, 4> m_steps{};
    QLabel* m_status = nullptr;
    QLabel* m_statistics = nullptr;
    GradientProgressBar* m_progress = nullptr;
    int m_lastPercent = 0;
    bool m_closing = false;
};

}  // namespace zeph
