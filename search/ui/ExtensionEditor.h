// The small dialog in which one suffix record is added or changed.
#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace zeph {

class CSQLiteDB;

class ExtensionEditor : public QDialog {
    Q_OBJECT
public:
    // Add mode.
    ExtensionEditor(CSQLiteDB& db, int type, QWidget* parent = nullptr);
    // Modify mode, for the record with the given id.
    ExtensionEditor(CSQLiteDB& db, int type, const QString& id, const QString& name,
                    const QString& description, QWidget* parent = nullptr);

    void accept() override;
    int type() const { return m_type; }

    QComboBox* typeBox() const { return m_typeBox; }
    QLineEdit* nameEdit() const { return m_name; }
    QLineEdit* descriptionEdit() const { return m_description; }

private:
    void build(int type);
    // Another record with this name; -1 on a query failure, 0 none, 1 found.
    int duplicateOf(const std::string& name) const;

    CSQLiteDB& m_db;
    bool m_modify = false;
    int m_type = 0;
    QLineEdit* m_id = nullptr;
    QComboBox* m_typeBox = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_description = nullptr;
};

}  // namespace zeph
