// The three sections of the criteria panel that open under their headings:
// time range, size range, and the advanced options (file types by tab, case,
// exact name).
#pragma once

#include <QWidget>

#include <cstdint>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QRadioButton;
class QTreeWidget;

namespace zeph {

class CSQLiteDB;
class ColorTabBar;
class FileIcons;

// A section's light background.
void paintLightSection(QWidget* section);

class TimeSection : public QWidget {
    Q_OBJECT
public:
    explicit TimeSection(QWidget* parent = nullptr);
    void reset();
    int timeKind() const;
    // Inclusive bounds in seconds, local time: from the start of the from-day
    // to the end of the to-day. 1970-01-01 as from-day, and today or later as
    // to-day, mean no bound.
    std::int64_t from() const;
    std::int64_t to() const;

    QComboBox* kindBox() const { return m_kind; }
    QDateEdit* fromEdit() const { return m_from; }
    QDateEdit* toEdit() const { return m_to; }

signals:
    void changed();

private:
    QComboBox* m_kind;
    QDateEdit* m_from;
    QDateEdit* m_to;
};

class SizeSection : public QWidget {
    Q_OBJECT
public:
    explicit SizeSection(QWidget* parent = nullptr);
    void reset();
    std::int64_t minimum() const;  // empty box: 0
    std::int64_t maximum() const;  // empty box: no upper limit

    QLineEdit* minimumEdit() const { return m_min; }
    QLineEdit* maximumEdit() const { return m_max; }

signals:
    void changed();

private:
    void validate(QLineEdit* edit);
    QLineEdit* m_min;
    QLineEdit* m_max;
};

class AdvancedSection : public QWidget {
    Q_OBJECT
public:
    AdvancedSection(CSQLiteDB& db, QWidget* parent = nullptr);
    ~AdvancedSection() override;
    void reset();
    int typeTab() const { return m_tab; }
    // One flag per ExtendID, as many as the engine keeps.
    std::vector<std::uint8_t> typeFlags(size_t count) const;
    bool caseSensitive() const;
    bool exactMatch() const;

    ColorTabBar* tabs() const { return m_tabs; }
    QTreeWidget* suffixList() const { return m_list; }
    QCheckBox* exactBox() const { return m_exact; }

signals:
    // Any criterion of the section changed.
    void changed();

private:
    void showTab(int tab);
    void addAllFilesRow(const QString& name);
    void checkAll(bool checked);

    CSQLiteDB& m_db;
    ColorTabBar* m_tabs;
    QTreeWidget* m_list;
    QRadioButton* m_all;
    QRadioButton* m_none;
    QCheckBox* m_case;
    QCheckBox* m_exact;
    FileIcons* m_icons;
    int m_tab = 0;
};

}  // namespace zeph
