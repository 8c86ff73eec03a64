// The first start, before there is an index: the question of whether to
// build it now, with the folders to build it of - the home folder and "/"
// offered, "/" chosen - which the user may change before saying Yes. It says
// which of them the content index reads documents from.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;

namespace zeph {

class CSQLiteDB;

class FirstRunDialog : public QDialog {
    Q_OBJECT
public:
    explicit FirstRunDialog(QWidget* parent = nullptr);

    void addFolder(const QString& folder, bool chosen);
    // The folders ticked, less any that lies inside another ticked one.
    QStringList chosenFolders() const;
    QListWidget* folderList() const { return m_folders; }
    // The folders whose documents will be read, for the folders chosen.
    QStringList contentFolders() const;
    QLabel* contentNote() const { return m_contentNote; }

    // Stores the chosen folders as the folders to index (GBK in the database),
    // and the content index's folders that follow from them.
    static bool storeFolders(CSQLiteDB& db, const QStringList& folders);

private:
    void showContentFolders();

    QListWidget* m_folders;
    QLabel* m_contentNote = nullptr;
};

}  // namespace zeph
