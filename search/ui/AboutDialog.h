// The About box: program name, version, copyright.
#pragma once

#include <QDialog>

namespace zeph {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace zeph
