// zeph-query: runs one search through the engine and prints each hit's full
// path on its own line, in result order. Timings go to standard error. It
// answers no questions: where the engine would ask, the question goes to
// standard error and the answer is No.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/Codec.h"
#include "common/Paths.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/Statements.h"
#include "search/engine/ResultStore.h"
#include "search/engine/ResultTexts.h"
#include "search/engine/ResultView.h"
#include "search/engine/SearchEngine.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Notes when the first page is complete.
class TimingView : public zeph::ResultView {
public:
    explicit TimingView(Clock::time_point start) : m_start(start) {}
    void addFirstPageRow(int index, const zeph::ResultRow&) override {
        if (index == zeph::kPageSize - 1) firstPageMs = msSince(m_start);
    }
    void setHits(std::int64_t count) override { hits = count; }
    void showNoResults(const std::string&) override { hits = 0; }

    double firstPageMs = -1;
    std::int64_t hits = 0;

private:
    Clock::time_point m_start;
};

[[noreturn]] void usage() {
    std::fprintf(stderr,
                 "usage: zeph-query [--folder DIR] [--name TEXT] [--content TEXT] [--in FOLDER]\n"
                 "                  [--case] [--exact] [--ext txt,md] [--size MIN:MAX]\n"
                 "                  [--time KIND:FROM:TO] [--stop-after MS]\n");
    std::exit(64);
}

std::string gbkArgument(const char* utf8) {
    auto gbk = zeph::toGbk(utf8);
    if (!gbk) {
        std::fprintf(stderr, "zeph-query: argument is not UTF-8: %s\n", utf8);
        std::exit(64);
    }
    return *gbk;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i)
        if (i == text.size() || text[i] == separator) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    return parts;
}

std::int64_t number(const std::string& text, std::int64_t otherwise) {
    return text.empty() ? otherwise : std::strtoll(text.c_str(), nullptr, 10);
}

// Ticks the ExtendIDs of the given suffixes, as the panel does on a type tab.
void tickSuffixes(zeph::CSQLiteDB& db, const std::string& list, zeph::SearchCriteria& criteria) {
    criteria.typeTab = 1;
    std::fill(criteria.typeFlags.begin(), criteria.typeFlags.end(), 0);
    for (const std::string& suffix : split(list, ',')) {
        std::vector<zeph::Row> rows;
        db.QueryRows(zeph::sqlFormat(zeph::sql::kSelectExtendIdByName, {zeph::sqlText(suffix)}),
                     rows);
        for (const auto& row : rows) {
            auto id = static_cast<size_t>(std::strtoll(row[0].c_str(), nullptr, 10));
            if (id < criteria.typeFlags.size()) criteria.typeFlags[id] = 1;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder = zeph::executableFolder();
    zeph::SearchCriteria criteria;
    std::string extList, sizeRange, timeRange;
    int stopAfterMs = -1;  // measures how soon a stop ends the search
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        auto value = [&]() -> const char* { return ++i < argc ? argv[i] : (usage(), nullptr); };
        if (option == "--folder")
            folder = gbkArgument(std::filesystem::absolute(value()).c_str());
        else if (option == "--name")
            criteria.name = gbkArgument(value());
        else if (option == "--content")
            criteria.content = gbkArgument(value());
        else if (option == "--in")
            criteria.folder = gbkArgument(value());
        else if (option == "--case")
            criteria.caseSensitive = true;
        else if (option == "--exact")
            criteria.exactMatch = true;
        else if (option == "--ext")
            extList = value();
        else if (option == "--size")
            sizeRange = value();
        else if (option == "--time")
            timeRange = value();
        else if (option == "--stop-after")
            stopAfterMs = std::atoi(value());
        else
            usage();
    }

    auto start = Clock::now();
    zeph::CSQLiteDB db;
    zeph::CSearchEngine engine(db, zeph::normalizeFolder(folder), std::time(nullptr));
    std::fprintf(stderr, "start-up: %.2f ms\n", msSince(start));

    criteria.typeFlags.assign(engine.typeFlagCount(), 1);
    if (!extList.empty()) tickSuffixes(db, extList, criteria);
    if (!sizeRange.empty()) {
        auto parts = split(sizeRange, ':');
        if (parts.size() != 2) usage();
        criteria.sizeMin = number(parts[0], 0);
        criteria.sizeMax = number(parts[1], INT64_MAX);
    }
    if (!timeRange.empty()) {
        auto parts = split(timeRange, ':');
        if (parts.size() != 3) usage();
        criteria.timeKind = static_cast<int>(number(parts[0], 0));
        criteria.timeFrom = number(parts[1], INT64_MIN);
        criteria.timeTo = number(parts[2], INT64_MAX);
    }

    auto searchStart = Clock::now();
    TimingView view(searchStart);
    std::atomic<Clock::time_point::rep> stoppedAt{0};
    std::thread stopper;
    if (stopAfterMs >= 0)
        stopper = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(stopAfterMs));
            stoppedAt = Clock::now().time_since_epoch().count();
            engine.requestStop();
        });
    int result = engine.Search(criteria, &view);
    double searchMs = msSince(searchStart);
    if (stopper.joinable()) {
        auto ended = Clock::now();
        stopper.join();
        if (stoppedAt != 0)
            std::fprintf(stderr, "stop: search ended %.2f ms after the request\n",
                         std::chrono::duration<double, std::milli>(
                             ended - Clock::time_point(Clock::duration(stoppedAt.load())))
                             .count());
    }
    // A refused or empty query stored nothing: the table still holds an earlier
    // search's rows, which must not be printed. The reason is on standard error.
    if (result == zeph::kSearchEmpty || result == zeph::kSearchRefused) return 2;

    std::int64_t printed = 0;
    {
        static char buffer[1 << 20];
        std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
        zeph::Statement rows = db.Prepare(zeph::sql::kSelectResultPaths);
        zeph::Row row;
        while (rows.FetchRow(row) == zeph::kSqlRow) {
            std::string path = zeph::toUtf8Lossy(zeph::joinPath(row[0], row[1]));
            path += '\n';
            std::fwrite(path.data(), 1, path.size(), stdout);
            ++printed;
        }
    }
    std::fprintf(stderr, "first page: %.2f ms, search: %.2f ms, hits: %lld, printed: %lld\n",
                 view.firstPageMs < 0 ? searchMs : view.firstPageMs, searchMs,
                 static_cast<long long>(view.hits), static_cast<long long>(printed));
    return 0;
}
