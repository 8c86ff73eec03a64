// What is kept out of the index, from the settings window: folders (with
// everything below them) and names in the name box's forms (node_modules,
// *.tmp, .git). Stored at OK; the next index run, and the watcher at once,
// follow them.
#pragma once

#include <QDialog>

class QLineEdit;
class QListWidget;

namespace zeph {

class CSQLiteDB;

class ExclusionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ExclusionsDialog(CSQLiteDB& db, QWidget* parent = nullptr);

    void accept() override;
    void addFolder(const QString& folder);
    void addName(const QString& pattern);
    QListWidget* folderList() const { return m_folders; }
    QListWidget* nameList() const { return m_names; }
    QLineEdit* nameEdit() const { return m_name; }

private:
    CSQLiteDB& m_db;
    QListWidget* m_folders;
    QListWidget* m_names;
    QLineEdit* m_name;
};

}  // namespace zeph
