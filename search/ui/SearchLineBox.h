// The name box: one line of the search language (SearchLine.h). As it is
// typed, the filters it recognises are marked, a value it does not understand
// is marked in red with the reason in its tooltip, filter names and type: values
// are offered for completion, and a line under the box says in words what the
// filters set.
#pragma once

#include <QLineEdit>

#include "common/SearchLine.h"

class QCompleter;
class QLabel;
class QStringListModel;

namespace zeph {

class SearchLineBox : public QLineEdit {
    Q_OBJECT
public:
    explicit SearchLineBox(QWidget* parent = nullptr);

    // The line as last parsed (GBK texts).
    const SearchLine& parsed() const { return m_parsed; }
    // The reason the line cannot be searched, or "".
    QString problem() const;
    // The line under the box telling what the filters set (hidden when none).
    QLabel* summary() const { return m_summary; }
    QCompleter* filterCompleter() const { return m_completer; }

    // What a filter sets, in a user's words.
    static QString describe(const LineFilter& filter);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void reparse();
    void markFilters();
    void offerCompletions();
    void complete(const QString& completion);
    // The token the cursor is in: where it starts, and its text.
    std::pair<int, QString> tokenAtCursor() const;

    SearchLine m_parsed;
    QLabel* m_summary;
    QCompleter* m_completer;
    QStringListModel* m_completions;
    QString m_baseToolTip;
};

}  // namespace zeph
