// The properties of one file: name, place, type, size, times and permissions.
#pragma once

#include <QDialog>

namespace zeph {

class PropertiesDialog : public QDialog {
    Q_OBJECT
public:
    explicit PropertiesDialog(const QString& path, QWidget* parent = nullptr);
};

}  // namespace zeph
