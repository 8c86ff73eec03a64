// A dialog showing one page of the vendor's web server: the new-version page
// and the feedback page. A waiting page shows first; only http and https
// addresses are followed, "app:" links are commands for the program, and a
// page's request for a new window opens in the same view.
#pragma once

#include <QDialog>
#include <QUrl>

class QWebEngineView;

namespace zeph {

class PageDialog : public QDialog {
    Q_OBJECT
public:
    PageDialog(const QString& title, const QUrl& address, QWidget* parent = nullptr);
    ~PageDialog() override;

    QWebEngineView* view() const { return m_view; }
    // The text after "app:" of a link the page asked the program to follow.
    virtual void onAppCommand(const QString& command);

    static QDialog* newVersionDialog(QWidget* parent);
    static QDialog* feedbackDialog(QWidget* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWebEngineView* m_view;
    QUrl m_address;
};

}  // namespace zeph
