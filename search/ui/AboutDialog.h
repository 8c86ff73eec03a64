// The About box: program name, the version and date of this build, copyright
// and the licence, whose text it shows in a window of its own.
#pragma once

#include <QDialog>
#include <QUrl>

namespace zeph {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
    // Where the licence's text is read.
    static QUrl licenceText();
};

}  // namespace zeph
