// Icons of files from the desktop's icon theme, by suffix, cached. No file is
// created or read to find an icon.
#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

namespace zeph {

class FileIcons {
public:
    QIcon forFile(const QString& name, bool isFolder);
    QIcon forSuffix(const QString& suffix);

private:
    QHash<QString, QIcon> m_bySuffix;
    QIcon m_folder;
};

// Makes sure an icon theme is set (a bare session may have none).
void ensureIconTheme();

}  // namespace zeph
