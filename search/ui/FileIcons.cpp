#include "FileIcons.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QStandardPaths>

namespace zeph {

void ensureIconTheme() {
    static bool done = false;
    if (done) return;
    done = true;
    // Without a desktop session Qt looks for themes only in its resources.
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& folder :
         QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                   QStandardPaths::LocateDirectory))
        if (!paths.contains(folder)) paths << folder;
    QIcon::setThemeSearchPaths(paths);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
}

QIcon FileIcons::forSuffix(const QString& suffix) {
    ensureIconTheme();
    QString key = suffix.toLower();
    auto cached = m_bySuffix.constFind(key);
    if (cached != m_bySuffix.constEnd()) return *cached;
    static const QMimeDatabase mimes;
    QMimeType type =
        mimes.mimeTypeForFile(QStringLiteral("x.") + key, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("text-x-generic"));
    m_bySuffix.insert(key, icon);
    return icon;
}

QIcon FileIcons::forFile(const QString& name, bool isFolder) {
    if (isFolder) {
        ensureIconTheme();
        if (m_folder.isNull())
            m_folder =
                QIcon::fromTheme(QStringLiteral("folder"), QIcon::fromTheme("inode-directory"));
        return m_folder;
    }
    int dot = name.lastIndexOf(QLatin1Char('.'));
    return forSuffix(dot > 0 ? name.mid(dot + 1) : QString());
}

}  // namespace zeph
