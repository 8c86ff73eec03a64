// The two launchers' interfaces on the session bus, both answered from one
// LauncherSearch: GNOME Shell's search provider (org.gnome.Shell.SearchProvider2)
// and KRunner's runner (org.kde.krunner1). Answers are sent when the search
// ends, so a slow line never holds the bus; a superseded one gets nothing.
#pragma once

#include <QDBusArgument>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace zeph {

class LauncherSearch;
struct LauncherHit;

inline constexpr char kLauncherBusName[] = "org.zeph.Search";
inline constexpr char kGnomeProviderPath[] = "/org/zeph/Search/SearchProvider";
inline constexpr char kKRunnerPath[] = "/runner";

// What opening a hit, or showing its folder, starts: the desktop's opener,
// as the window's 打开 does. Replaceable for tests.
void openInDesktop(const std::string& path);

class GnomeSearchProvider : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell.SearchProvider2")
public:
    explicit GnomeSearchProvider(LauncherSearch& search, QObject* parent = nullptr);

public slots:
    QStringList GetInitialResultSet(const QStringList& terms);
    QStringList GetSubsearchResultSet(const QStringList& previous, const QStringList& terms);
    QList<QVariantMap> GetResultMetas(const QStringList& ids);
    void ActivateResult(const QString& id, const QStringList& terms, uint timestamp);
    void LaunchSearch(const QStringList& terms, uint timestamp);

private:
    QStringList answerLater(const QStringList& terms);
    LauncherSearch& m_search;
};

struct RunnerAction {
    QString id, text, icon;
};
struct RunnerMatch {
    QString id, text, icon;
    int type = 0;
    double relevance = 0;
    QVariantMap properties;
};

class KRunnerProvider : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.krunner1")
public:
    explicit KRunnerProvider(LauncherSearch& search, QObject* parent = nullptr);

public slots:
    QList<RunnerAction> Actions();
    QList<RunnerMatch> Match(const QString& query);
    void Run(const QString& matchId, const QString& actionId);
    QVariantMap Config();

private:
    LauncherSearch& m_search;
};

// Registers the custom types with QtDBus, once, before the objects are exported.
void registerLauncherTypes();

}  // namespace zeph

QDBusArgument& operator<<(QDBusArgument& out, const zeph::RunnerAction& action);
const QDBusArgument& operator>>(const QDBusArgument& in, zeph::RunnerAction& action);
QDBusArgument& operator<<(QDBusArgument& out, const zeph::RunnerMatch& match);
const QDBusArgument& operator>>(const QDBusArgument& in, zeph::RunnerMatch& match);

Q_DECLARE_METATYPE(zeph::RunnerAction)
Q_DECLARE_METATYPE(zeph::RunnerMatch)
