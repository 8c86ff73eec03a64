// The searches a desktop launcher asks for, one line at a time, on a worker
// of their own: the first hits of each (a launcher shows few), and a line
// superseded by the next keystroke stops at once and is answered with
// nothing. Each hit is kept by its id for the launcher's later questions.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "common/SQLiteDB.h"
#include "search/engine/SearchEngine.h"

namespace zeph {

struct LauncherHit {
    std::string path;  // the system's bytes
    QString name, folder, type;
    bool isFolder = false;
};

class LauncherSearch : public QObject {
    Q_OBJECT
public:
    LauncherSearch(std::string programFolder, std::string dataFolder, int hitsPerLine);
    ~LauncherSearch() override;

    // Searches for the line (the search language, UTF-8); answer gets the
    // ids of its first hits, on this object's thread.
    void ask(const QString& line, std::function<void(QStringList)> answer);
    const LauncherHit* hit(const QString& id) const;
    // The id a path is known by (its UTF-8 text, or its bytes in base64).
    static QString idOf(const std::string& path);

    const std::string& programFolder() const { return m_programFolder; }
    const std::string& dataFolder() const { return m_dataFolder; }

signals:
    // A search ended: the service counts its idle time from here.
    void answered();

private:
    void finish(int generation, QStringList ids);

    std::string m_programFolder, m_dataFolder;
    int m_hitsPerLine;
    CSQLiteDB m_db;
    std::unique_ptr<CSearchEngine> m_engine;
    std::thread m_worker;
    std::atomic<int> m_generation{0};
    std::function<void(QStringList)> m_waiting;  // the running line's answer
    mutable std::mutex m_hitsMutex;
    std::map<QString, LauncherHit> m_hits;
};

}  // namespace zeph
