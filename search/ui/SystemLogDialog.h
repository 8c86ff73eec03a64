// The system log viewer: the Log table a page of 100 records at a time, with
// paging, deleting selected or all records, and export of the page shown.
#pragma once

#include <QDialog>

#include <cstdint>
#include <vector>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QTreeWidget;

namespace zeph {

class AdvertPane;
class CSQLiteDB;

class SystemLogDialog : public QDialog {
    Q_OBJECT
public:
    SystemLogDialog(CSQLiteDB& db, QWidget* parent = nullptr);

    void goToPage();
    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();
    void deleteSelected();
    void deleteAll();
    // Writes the page shown to a file; false when it could not be written.
    bool exportTo(const QString& path);
    void exportPage();

    std::int64_t recordCount() const { return m_records; }
    QTreeWidget* list() const { return m_list; }
    QLabel* statusLine() const { return m_status; }
    QLineEdit* pageEdit() const { return m_page; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reportDeleteFailure();
    void buildPaging(QHBoxLayout* row);
    bool fillPage(std::int64_t page, bool firstOpening);
    void addRow(int index, const std::vector<std::string>& row);
    void showMenu(const QPoint& position);
    void handleKey(int key, Qt::KeyboardModifiers modifiers);
    std::int64_t pages() const;

    CSQLiteDB& m_db;
    AdvertPane* m_advert = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_status = nullptr;
    QLineEdit* m_page = nullptr;
    std::int64_t m_records = 0;
};

}  // namespace zeph
