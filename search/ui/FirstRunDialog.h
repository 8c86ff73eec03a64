// The first start, before there is an index: the question of whether to
// build it now, with the folders to build it of - the home folder and "/"
// offered, "/" chosen - which the user may change before saying Yes.
#pragma once

#include <QDialog>
#include <QStringList>

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

    // Stores the chosen folders as the folders to index (GBK in the database).
    static bool storeFolders(CSQLiteDB& db, const QStringList& folders);

private:
    QListWidget* m_folders;
};

}  // namespace zeph
