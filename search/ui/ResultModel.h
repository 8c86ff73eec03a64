// The rows of the page on show: five texts per result, as stored (GBK) and as
// displayed, with the file's icon.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include <vector>

#include "search/engine/ResultView.h"
#include "search/ui/FileIcons.h"

namespace zeph {

class ResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Folder, Size, Type, Time, ColumnCount };

    explicit ResultModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void clear();
    // Puts a row at position index (rows after it move down).
    void setRow(int index, const ResultRow& row);
    void setRows(const std::vector<ResultRow>& rows);
    // The single "no results" row: a text in the first column, no icon.
    void showMessageRow(const QString& text);
    // Sorts the rows by a column's stored bytes.
    void sortByColumn(int column, bool ascending);
    // The time the time column shows (kCreationTime, ...), which its caption names.
    void setTimeKind(int kind);
    static QString timeCaption(int kind);
    int timeKind() const { return m_timeKind; }

    bool isMessageRow() const { return m_message; }
    const ResultRow& row(int index) const { return m_shown[static_cast<size_t>(index)].stored; }
    QString fullPath(int index) const;

private:
    struct Shown {
        ResultRow stored;
        QString texts[ColumnCount];
        QIcon icon;
    };
    Shown makeShown(const ResultRow& row);

    std::vector<Shown> m_shown;
    FileIcons m_icons;
    bool m_message = false;
    int m_timeKind = 0;
};

}  // namespace zeph
