#include "LauncherSearch.h"

#include <QDir>

#include <ctime>

#include "common/Codec.h"
#include "common/Preferences.h"
#include "common/SearchLine.h"
#include "search/engine/RowSink.h"
#include "search/engine/SystemPath.h"

namespace zeph {

namespace {

// The first hits of a line, collected; the search stops at the last wanted.
class FirstHits : public RowSink {
public:
    FirstHits(CSearchEngine& engine, int wanted) : m_engine(engine), m_wanted(wanted) {}
    bool add(const ResultRowView& row) override {
        if (static_cast<int>(hits.size()) >= m_wanted) {
            m_engine.requestStop();
            return false;
        }
        LauncherHit& hit = hits.emplace_back();
        hit.path = systemPath(row);
        hit.name = QString::fromStdString(toUtf8Lossy(row.name));
        hit.folder = QString::fromStdString(toUtf8Lossy(row.folder));
        hit.type = QString::fromStdString(toUtf8Lossy(row.typeText));
        if (static_cast<int>(hits.size()) >= m_wanted) m_engine.requestStop();
        return true;
    }
    bool finish(bool) override { return true; }
    std::int64_t count() const override { return static_cast<std::int64_t>(hits.size()); }

    std::vector<LauncherHit> hits;

private:
    CSearchEngine& m_engine;
    int m_wanted;
};

}  // namespace

LauncherSearch::LauncherSearch(std::string programFolder, std::string dataFolder, int hitsPerLine)
    : m_programFolder(std::move(programFolder)),
      m_dataFolder(std::move(dataFolder)),
      m_hitsPerLine(hitsPerLine),
      m_engine(std::make_unique<CSearchEngine>(m_db, m_programFolder, m_dataFolder,
                                               std::time(nullptr))) {}

LauncherSearch::~LauncherSearch() {
    m_engine->requestStop(true);
    if (m_worker.joinable()) m_worker.join();
}

QString LauncherSearch::idOf(const std::string& path) {
    if (isUtf8(path)) return QString::fromStdString(path);
    return QStringLiteral("base64:") +
           QString::fromLatin1(QByteArray::fromStdString(path).toBase64());
}

const LauncherHit* LauncherSearch::hit(const QString& id) const {
    std::lock_guard lock(m_hitsMutex);
    auto found = m_hits.find(id);
    return found == m_hits.end() ? nullptr : &found->second;
}

void LauncherSearch::ask(const QString& line, std::function<void(QStringList)> answer) {
    // The line before is superseded: stopped, and answered with nothing.
    const int generation = ++m_generation;
    m_engine->requestStop(true);
    if (m_worker.joinable()) m_worker.join();
    if (m_waiting) std::exchange(m_waiting, {})({});
    m_waiting = std::move(answer);

    SearchCriteria criteria;
    criteria.typeFlags.assign(m_engine->typeFlagCount(), 1);
    criteria.pinyin = readPreference(m_db, Preference::Pinyin);
    criteria.showHidden = readPreference(m_db, Preference::ShowHidden);
    auto gbk = toGbk(line.toStdString());
    const SearchLine parsed =
        parseSearchLine(gbk.value_or(""), {std::time(nullptr), toGbk(QDir::homePath().toStdString()).value_or("")});
    if (!gbk || applySearchLine(parsed, criteria) ||
        (criteria.name.empty() && criteria.filters.empty() && criteria.content.empty())) {
        finish(generation, {});
        return;
    }
    m_worker = std::thread([this, generation, criteria] {
        FirstHits rows(*m_engine, m_hitsPerLine);
        m_engine->Search(criteria, nullptr, true, &rows);
        QStringList ids;
        {
            std::lock_guard lock(m_hitsMutex);
            for (LauncherHit& hit : rows.hits) {
                QString id = idOf(hit.path);
                ids << id;
                m_hits[id] = std::move(hit);
            }
        }
        QMetaObject::invokeMethod(
            this, [this, generation, ids] { finish(generation, ids); }, Qt::QueuedConnection);
    });
}

void LauncherSearch::finish(int generation, QStringList ids) {
    if (generation != m_generation || !m_waiting) return;  // superseded: answered already
    std::exchange(m_waiting, {})(ids);
    emit answered();
}

}  // namespace zeph
