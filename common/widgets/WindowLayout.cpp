#include "WindowLayout.h"

#include <QSettings>

#include "common/widgets/ProgramFolders.h"

namespace zeph {

namespace {

QSettings layoutFile() {
    return QSettings(dataFile(QStringLiteral("WindowLayout.ini")), QSettings::IniFormat);
}

}  // namespace

QVariant readLayout(const QString& key) {
    return layoutFile().value(key);
}

void storeLayout(const QString& key, const QVariant& value) {
    layoutFile().setValue(key, value);
}

}  // namespace zeph
