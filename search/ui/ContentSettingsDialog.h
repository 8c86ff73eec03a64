// The content index's settings, from the settings window: on or off, the
// folders whose documents it reads (none listed: the home folder), the kinds
// of document it reads, the largest file; and how far its reading is.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QListWidget;
class QSpinBox;

namespace zeph {

class CSQLiteDB;

class ContentSettingsDialog : public QDialog {
    Q_OBJECT
public:
    ContentSettingsDialog(CSQLiteDB& db, const QString& dataFolder, QWidget* parent = nullptr);

    void accept() override;
    void addFolder(const QString& folder);
    QCheckBox* enabledBox() const { return m_enabled; }
    QListWidget* folderList() const { return m_folders; }
    QListWidget* typeList() const { return m_types; }
    QSpinBox* sizeBox() const { return m_size; }
    QLabel* progressLine() const { return m_progress; }

private:
    void chooseFolder();
    void removeFolders();

    CSQLiteDB& m_db;
    QCheckBox* m_enabled;
    QListWidget* m_folders;
    QListWidget* m_types;
    QSpinBox* m_size;
    QLabel* m_progress;
};

// The reading's progress for a status line: "" when nothing waits.
QString contentProgressText(const QString& dataFolder);

}  // namespace zeph
