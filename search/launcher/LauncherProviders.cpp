#include "LauncherProviders.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QMimeDatabase>
#include <QUrl>

#include "common/Paths.h"
#include "common/Process.h"
#include "search/launcher/LauncherSearch.h"

namespace zeph {

namespace {

// The icon of a hit, by its content type as the desktop's theme names it.
QString iconOf(const LauncherHit& hit) {
    static const QMimeDatabase types;
    QMimeType type = types.mimeTypeForFile(QString::fromStdString(hit.path));
    if (type.name() == QLatin1String("inode/directory")) return QStringLiteral("folder");
    QString icon = type.iconName();
    return icon.isEmpty() ? type.genericIconName() : icon;
}

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

}  // namespace

void openInDesktop(const std::string& path) {
    // By its bytes, each percent-encoded, so any name stays a name.
    const QByteArray url = "file://" + QByteArray::fromStdString(path).toPercentEncoding("/");
    startDetached("xdg-open", {url.toStdString()});
}

GnomeSearchProvider::GnomeSearchProvider(LauncherSearch& search, QObject* parent)
    : QObject(parent), m_search(search) {}

QStringList GnomeSearchProvider::answerLater(const QStringList& terms) {
    setDelayedReply(true);
    QDBusMessage call = message();
    m_search.ask(terms.join(QLatin1Char(' ')), [call](QStringList ids) {
        QDBusConnection::sessionBus().send(call.createReply(QVariant(ids)));
    });
    return {};
}

QStringList GnomeSearchProvider::GetInitialResultSet(const QStringList& terms) {
    return answerLater(terms);
}

// Searched anew: the words typed so far narrow the index's candidates better
// than the earlier answer, which holds only the first hits.
QStringList GnomeSearchProvider::GetSubsearchResultSet(const QStringList&, const QStringList& terms) {
    return answerLater(terms);
}

QList<QVariantMap> GnomeSearchProvider::GetResultMetas(const QStringList& ids) {
    QList<QVariantMap> metas;
    for (const QString& id : ids) {
        const LauncherHit* hit = m_search.hit(id);
        if (!hit) continue;
        metas << QVariantMap{{QStringLiteral("id"), id},
                             {QStringLiteral("name"), hit->name},
                             {QStringLiteral("description"), hit->folder},
                             {QStringLiteral("gicon"), iconOf(*hit)}};
    }
    return metas;
}

void GnomeSearchProvider::ActivateResult(const QString& id, const QStringList&, uint) {
    if (const LauncherHit* hit = m_search.hit(id)) openInDesktop(hit->path);
}

void GnomeSearchProvider::LaunchSearch(const QStringList& terms, uint) {
    startDetached(joinPath(m_search.programFolder(), "ZEPHSearch"),
                  {"--search", terms.join(QLatin1Char(' ')).toStdString()},
                  {{"ZEPH_DATA_DIR", m_search.dataFolder()}});
}

KRunnerProvider::KRunnerProvider(LauncherSearch& search, QObject* parent)
    : QObject(parent), m_search(search) {}

QList<RunnerAction> KRunnerProvider::Actions() {
    return {{QStringLiteral("open"), QStringLiteral("打开"), QStringLiteral("document-open")},
            {QStringLiteral("folder"), QStringLiteral("打开所在文件夹"),
             QStringLiteral("document-open-folder")}};
}

QList<RunnerMatch> KRunnerProvider::Match(const QString& query) {
    setDelayedReply(true);
    QDBusMessage call = message();
    m_search.ask(query, [this, call](QStringList ids) {
        QList<RunnerMatch> matches;
        const double count = std::max<qsizetype>(1, ids.size());
        for (qsizetype i = 0; i < ids.size(); ++i) {
            const LauncherHit* hit = m_search.hit(ids[i]);
            if (!hit) continue;
            RunnerMatch match;
            match.id = ids[i];
            match.text = hit->name;
            match.icon = iconOf(*hit);
            match.type = 30;  // a possible match: the desktop weighs it with the others
            match.relevance = 1.0 - 0.5 * static_cast<double>(i) / count;  // the index's order
            match.properties = {{QStringLiteral("subtext"), hit->folder},
                                {QStringLiteral("urls"),
                                 QStringList{QUrl::fromLocalFile(QString::fromStdString(hit->path))
                                                 .toString()}}};
            matches << match;
        }
        QDBusConnection::sessionBus().send(call.createReply(QVariant::fromValue(matches)));
    });
    return {};
}

void KRunnerProvider::Run(const QString& matchId, const QString& actionId) {
    const LauncherHit* hit = m_search.hit(matchId);
    if (!hit) return;
    openInDesktop(actionId == QLatin1String("folder") ? folderOf(hit->path) : hit->path);
}

QVariantMap KRunnerProvider::Config() {
    return {{QStringLiteral("MinLetterCount"), 2}};
}

void registerLauncherTypes() {
    qDBusRegisterMetaType<RunnerAction>();
    qDBusRegisterMetaType<QList<RunnerAction>>();
    qDBusRegisterMetaType<RunnerMatch>();
    qDBusRegisterMetaType<QList<RunnerMatch>>();
    qDBusRegisterMetaType<QList<QVariantMap>>();
}

}  // namespace zeph

QDBusArgument& operator<<(QDBusArgument& out, const zeph::RunnerAction& action) {
    out.beginStructure();
    out << action.id << action.text << action.icon;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, zeph::RunnerAction& action) {
    in.beginStructure();
    in >> action.id >> action.text >> action.icon;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const zeph::RunnerMatch& match) {
    out.beginStructure();
    out << match.id << match.text << match.icon << match.type << match.relevance
        << match.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, zeph::RunnerMatch& match) {
    in.beginStructure();
    in >> match.id >> match.text >> match.icon >> match.type >> match.relevance >>
        match.properties;
    in.endStructure();
    return in;
}
