// The settings: folders to index, suffixes by type, and the update frequency.
// Folder and suffix changes are stored at once, each by its own command; OK
// stores the update frequency.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QTreeWidget;

namespace zeph {

class AdvertPane;
class CSQLiteDB;
class ColorTabBar;
class FileIcons;

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    SettingsDialog(CSQLiteDB& db, QWidget* parent = nullptr);
    ~SettingsDialog() override;

    void accept() override;

    // The commands of the two context menus.
    void addFolder();
    void modifyFolder();
    void deleteFolders();
    void addSuffix();
    void modifySuffix();
    void deleteSuffixes();

    QTreeWidget* folderList() const { return m_folders; }
    QTreeWidget* suffixList() const { return m_suffixes; }
    ColorTabBar* tabs() const { return m_tabs; }
    QComboBox* frequencyBox() const { return m_frequency; }
    QCheckBox* searchAsYouTypeBox() const { return m_searchAsYouType; }
    QCheckBox* liveIndexBox() const { return m_liveIndex; }

private:
    void fillSuffixes();
    void fillFolders();
    void showStoredFrequency();
    void folderMenu(const QPoint& position);
    void suffixMenu(const QPoint& position);
    // A folder from the picker, checked against the others; "" when there is none to store.
    QString chooseFolder(int skipRow);
    void storeScanFlag(int row);
    void deleteRows(QTreeWidget* list, const QList<int>& rows, int idColumn, const char* statement,
                    const QString& failureText);
    int currentType() const;

    CSQLiteDB& m_db;
    AdvertPane* m_advert = nullptr;
    ColorTabBar* m_tabs = nullptr;
    QTreeWidget* m_suffixes = nullptr;
    QTreeWidget* m_folders = nullptr;
    QComboBox* m_frequency = nullptr;
    QCheckBox* m_searchAsYouType = nullptr;
    QCheckBox* m_liveIndex = nullptr;
    QCheckBox* m_showHidden = nullptr;
    QCheckBox* m_pinyin = nullptr;
    FileIcons* m_icons = nullptr;
    bool m_filling = false;
};

}  // namespace zeph
