// zeph-query: the search from a terminal. It finds the user's data folder as
// the windows do, runs one search through the engine and prints each hit's
// full path, in result order, as it is found. Its hits never reach the result
// table, so a search program that is open keeps its results. It answers no
// questions: where the engine would ask, the question goes to standard error
// and the answer is No.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/Codec.h"
#include "common/DataFolder.h"
#include "common/EntryNames.h"
#include "common/Messages.h"
#include "common/Paths.h"
#include "common/Preferences.h"
#include "common/SearchLine.h"
#include "search/cli/JsonRow.h"
#include "search/cli/QueryHelp.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/Statements.h"
#include "common/TerminalText.h"
#include "content/ContentContext.h"
#include "search/engine/ResultTexts.h"
#include "search/engine/ResultView.h"
#include "search/engine/RowSink.h"
#include "search/engine/SearchEngine.h"
#include "search/engine/SystemPath.h"

namespace {

using Clock = std::chrono::steady_clock;


double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

[[noreturn]] void usage(const char* problem) {
    std::fprintf(stderr, "zeph-query: %s\nTry 'zeph-query --help'.\n", problem);
    std::exit(2);
}

// Messages and questions go to standard error; every fatal end of the engine
// is an index or database error here, so the command ends with 2.
class QueryMessages : public zeph::TerminalMessages {
public:
    [[noreturn]] void exitProcess(int) override { zeph::TerminalMessages::exitProcess(2); }
};

// Results that cannot be written (a full disk, a closed output) end the
// command with 2 instead of passing for success.
void checkOutput() {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return;
    std::fprintf(stderr, "zeph-query: cannot write the results: %s\n", std::strerror(errno));
    std::_Exit(2);
}

std::string gbkArgument(const char* utf8) {
    auto gbk = zeph::toGbk(utf8);
    if (!gbk) usage("an argument is not UTF-8 text");
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
    if (text.empty()) return otherwise;
    char* end = nullptr;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0') usage("a number was expected");
    return value;
}

// The hits as they are found, in result order: each printed as its path (with
// its snippet when asked) or only counted; the search stops at the limit.
class PrintedRows : public zeph::RowSink {
public:
    PrintedRows(zeph::CSearchEngine& engine, std::int64_t limit, bool print,
                Clock::time_point start)
        : m_engine(engine), m_limit(limit), m_print(print), m_start(start) {}

    // Each printed line: the path, then the snippet after a tab when there is
    // one, ending with a line feed or a NUL.
    std::function<void(const zeph::ResultRowView&, std::string&)> line;

    bool add(const zeph::ResultRowView& row) override {
        if (m_limit >= 0 && m_count >= m_limit) {
            m_engine.requestStop();
            return false;
        }
        if (m_print) {
            m_line.clear();
            line(row, m_line);
            if (std::fwrite(m_line.data(), 1, m_line.size(), stdout) != m_line.size())
                checkOutput();
        }
        if (++m_count == zeph::kPageSize) firstPageMs = msSince(m_start);
        if (m_limit >= 0 && m_count >= m_limit) m_engine.requestStop();
        return true;
    }
    bool finish(bool) override { return true; }
    std::int64_t count() const override { return m_count; }

    double firstPageMs = -1;

private:
    zeph::CSearchEngine& m_engine;
    std::int64_t m_limit;
    bool m_print;
    Clock::time_point m_start;
    std::int64_t m_count = 0;
    std::string m_line;
};

struct Options {
    zeph::SearchCriteria criteria;
    std::string dataFolder, extList, sizeRange, timeRange;
    std::string line;  // the words as one search line (GBK)
    std::vector<std::string> words;
    bool nul = false, count = false, stats = false, snippet = false, pinyin = true, json = false;
    std::int64_t limit = -1;
    int stopAfterMs = -1;
};

// A folder given on the command line, as a full path without "." or "..".
std::string absolute(const std::string& option, const char* folder) {
    if (*folder == '\0') usage((option + " needs a folder").c_str());
    return zeph::normalizeFolder(std::filesystem::absolute(folder).lexically_normal().string());
}

// The words as one search line. A word holding a separator is one token: it
// is put in quotes - a filter's value alone (content:two words), so the
// filter stays a filter.
std::string lineOf(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        if (!text.empty()) text += ' ';
        bool separated = word.find_first_of(" ,\t\r\n") != std::string::npos;
        if (!separated || word.find('"') != std::string::npos) {
            text += word;
            continue;
        }
        size_t colon = word.find(':');
        std::string_view name(word.data() + (word[0] == '!'), colon == std::string::npos ? 0 : colon - (word[0] == '!'));
        const auto& names = zeph::filterNames();
        if (colon != std::string::npos && std::find(names.begin(), names.end(), name) != names.end() &&
            word.find_first_of(" \t\r\n") != std::string::npos)
            text += word.substr(0, colon + 1) + '"' + word.substr(colon + 1) + '"';
        else if (colon != std::string::npos && std::find(names.begin(), names.end(), name) != names.end())
            text += word;  // ext:pdf,docx: the comma is the filter's
        else
            text += '"' + word + '"';
    }
    return text;
}

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        auto value = [&]() -> const char* {
            if (++i >= argc) usage(("option " + option + " needs a value").c_str());
            return argv[i];
        };
        if (option == "-h" || option == "--help") {
            std::fputs(zeph::terminalTextFromGbk(zeph::kQueryHelp).c_str(), stdout);
            std::exit(0);
        } else if (option == "-c" || option == "--content") {
            o.criteria.content = gbkArgument(value());
        } else if (option == "-d" || option == "--in") {
            o.criteria.folder = gbkArgument(absolute(option, value()).c_str());
        } else if (option == "--folder") {
            o.dataFolder = gbkArgument(absolute(option, value()).c_str());
        } else if (option == "-C" || option == "--case") {
            o.criteria.caseSensitive = true;
        } else if (option == "-a" || option == "--hidden") {
            o.criteria.showHidden = true;
        } else if (option == "--no-pinyin") {
            o.pinyin = false;
        } else if (option == "-x" || option == "--exact") {
            o.criteria.exactMatch = true;
        } else if (option == "-e" || option == "--ext") {
            o.extList = value();
        } else if (option == "-s" || option == "--size") {
            o.sizeRange = value();
        } else if (option == "-t" || option == "--time") {
            o.timeRange = value();
        } else if (option == "-0" || option == "--null") {
            o.nul = true;
        } else if (option == "-n" || option == "--count") {
            o.count = true;
        } else if (option == "-l" || option == "--limit") {
            o.limit = number(value(), -1);
            if (o.limit < 0) usage("--limit takes a number of hits, 0 or more");
        } else if (option == "--name") {  // the name text as one argument
            o.words.push_back(value());
        } else if (option == "--snippet") {
            o.snippet = true;
        } else if (option == "--json") {
            o.json = true;
        } else if (option == "--stats") {
            o.stats = true;
        } else if (option == "--stop-after") {
            o.stopAfterMs = static_cast<int>(number(value(), -1));
        } else if (option.size() > 1 && option[0] == '-' && option != "-") {
            usage(("unknown option " + option).c_str());
        } else {
            o.words.push_back(option);
        }
    }
    o.line = gbkArgument(lineOf(o.words).c_str());
    return o;
}

// Ticks the ExtendIDs of the given suffixes, as the window does on a type tab.
void tickSuffixes(zeph::CSQLiteDB& db, const std::string& list, zeph::SearchCriteria& criteria) {
    criteria.typeTab = 1;
    std::fill(criteria.typeFlags.begin(), criteria.typeFlags.end(), 0);
    for (const std::string& suffix : split(zeph::lowerBytes(list), ',')) {
        std::vector<zeph::Row> rows;
        db.QueryRows(zeph::sqlFormat(zeph::sql::kSelectExtendIdByName, {zeph::sqlText(suffix)}),
                     rows);
        for (const auto& row : rows) {
            auto id = static_cast<size_t>(std::strtoll(row[0].c_str(), nullptr, 10));
            if (id < criteria.typeFlags.size()) criteria.typeFlags[id] = 1;
        }
    }
}

void applyRanges(const Options& o, zeph::SearchCriteria& criteria) {
    if (!o.sizeRange.empty()) {
        auto parts = split(o.sizeRange, ':');
        if (parts.size() != 2) usage("--size takes MIN:MAX");
        criteria.sizeMin = number(parts[0], 0);
        criteria.sizeMax = number(parts[1], INT64_MAX);
    }
    if (!o.timeRange.empty()) {
        auto parts = split(o.timeRange, ':');
        if (parts.size() != 3) usage("--time takes KIND:FROM:TO");
        const char* kinds[] = {"created", "modified", "accessed"};
        auto kind = std::find(std::begin(kinds), std::end(kinds), parts[0]);
        if (kind == std::end(kinds)) usage("the time's KIND is created, modified or accessed");
        criteria.timeKind = static_cast<int>(kind - std::begin(kinds));
        criteria.timeFrom = number(parts[1], INT64_MIN);
        criteria.timeTo = number(parts[2], INT64_MAX);
    }
}

// The line where the file holds the text, on one line (UTF-8).
std::string snippetOf(const std::string& dataFolder, const zeph::ResultRowView& row,
                      const std::string& text) {
    auto context = zeph::content::contextOf(dataFolder, std::string(row.folder),
                                            std::string(row.name), text, 0);
    if (!context) {
        // A document the index could not read says why instead.
        std::string failure = zeph::content::readingFailure(dataFolder, std::string(row.folder),
                                                            std::string(row.name));
        return failure.empty() ? std::string()
                               : zeph::toUtf8Lossy("（" + failure + "）");
    }
    std::string line = context->before + context->match + context->after;
    for (char& c : line)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    QueryMessages messages;
    zeph::installMessageService(&messages);
    Options o = parseOptions(argc, argv);
    const std::string programFolder = zeph::executableFolder();
    std::string dataFolder = o.dataFolder;
    if (dataFolder.empty()) {
        auto prepared = zeph::prepareDataFolder(programFolder);
        if (!prepared) zeph::fatalExit(2, "连接数据库失败，请与系统管理员联系！");
        dataFolder = *prepared;
    }

    auto start = Clock::now();
    zeph::CSQLiteDB db;
    zeph::CSearchEngine engine(db, programFolder, zeph::normalizeFolder(dataFolder),
                               std::time(nullptr));
    if (o.stats) std::fprintf(stderr, "start-up: %.2f ms\n", msSince(start));

    o.criteria.typeFlags.assign(engine.typeFlagCount(), 1);
    o.criteria.pinyin = o.pinyin && zeph::readPreference(db, zeph::Preference::Pinyin);
    // The words' filters join the options; a value not understood says which.
    const char* home = std::getenv("HOME");
    const zeph::SearchLine parsed = zeph::parseSearchLine(
        o.line, {std::time(nullptr), zeph::toGbk(home ? home : "").value_or("")});
    if (auto problem = zeph::applySearchLine(parsed, o.criteria))
        usage(zeph::terminalTextFromGbk(*problem).c_str());
    if (!o.extList.empty()) tickSuffixes(db, o.extList, o.criteria);
    applyRanges(o, o.criteria);

    // Never freed: standard output is flushed at exit, after the statics are
    // gone. Not cleared either, so a short answer never touches most of it.
    constexpr size_t kOutputBuffer = 1 << 20;
    static char* const buffer = new char[kOutputBuffer];
    std::setvbuf(stdout, buffer, _IOFBF, kOutputBuffer);
    auto searchStart = Clock::now();
    PrintedRows rows(engine, o.limit, !o.count, searchStart);
    const std::string snippetText =
        o.snippet ? zeph::toUtf8(o.criteria.content).value_or("") : "";
    const std::string snippetFolder = zeph::normalizeFolder(dataFolder);
    rows.line = [&](const zeph::ResultRowView& row, std::string& out) {
        if (o.json) {
            std::optional<std::string> snippet;
            if (!snippetText.empty()) snippet = snippetOf(snippetFolder, row, snippetText);
            out = zeph::jsonRow(zeph::systemPath(row), row.typeText, snippet) + '\n';
            return;
        }
        out = zeph::systemPath(row);
        if (!snippetText.empty())
            out += '\t' + zeph::terminalTextFromUtf8(snippetOf(snippetFolder, row, snippetText));
        out += o.nul ? '\0' : '\n';
    };
    std::atomic<Clock::rep> stoppedAt{0};
    std::thread stopper;
    if (o.stopAfterMs >= 0)
        stopper = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(o.stopAfterMs));
            stoppedAt = Clock::now().time_since_epoch().count();
            engine.requestStop();
        });
    int result = engine.Search(o.criteria, nullptr, false, &rows);
    auto ended = Clock::now();
    if (stopper.joinable()) stopper.join();
    if (o.stats && stoppedAt != 0)
        std::fprintf(stderr, "stop: %.2f ms from the request to the end of the search\n",
                     std::chrono::duration<double, std::milli>(
                         ended - Clock::time_point(Clock::duration(stoppedAt.load())))
                         .count());
    // A refused or empty query found nothing; its reason is on standard error.
    if (result == zeph::kSearchEmpty || result == zeph::kSearchRefused ||
        result == zeph::kSearchFailed) {
        checkOutput();
        return 2;
    }

    const std::int64_t found = rows.count();
    if (o.count) std::printf("%lld\n", static_cast<long long>(found));
    checkOutput();
    if (o.stats)
        std::fprintf(stderr, "first page: %.2f ms, search: %.2f ms, hits: %lld\n",
                     rows.firstPageMs < 0 ? msSince(searchStart) : rows.firstPageMs,
                     std::chrono::duration<double, std::milli>(ended - searchStart).count(),
                     static_cast<long long>(found));
    return found > 0 ? 0 : 1;
}
