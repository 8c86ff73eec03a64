// How soon the first page follows a keystroke when the search window searches
// as the user types: the panel is driven offscreen over an indexed data
// folder, one key every 300 ms, and for each prefix of a few words the time
// from the key to the first page on the list (or the search's end, when it
// finds fewer than a page) is taken, less the pause the panel waits after
// the last key.
// Words of letters also spell Chinese names unless --no-pinyin is given.
//   usage: zeph_typing_bench DATA_FOLDER [ROUNDS] [--no-pinyin]
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/Codec.h"
#include "common/Preferences.h"
#include "common/SQLiteDB.h"
#include "common/StartupSettings.h"
#include "common/widgets/ProgramFolders.h"
#include "search/ui/MainWindow.h"
#include "search/ui/ResultModel.h"
#include "search/ui/ResultPanel.h"
#include "search/ui/SearchPanel.h"

namespace {

void runEvents(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A key carrying the character, as an input method hands it over (Chinese too).
void typeCharacter(QLineEdit* edit, QChar c) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(edit, &press);
    QCoreApplication::sendEvent(edit, &release);
}

double percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(share * static_cast<double>(values.size() - 1) + 0.5)];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: zeph_typing_bench DATA_FOLDER [ROUNDS] [--no-pinyin]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    zeph::setPictureFolder(QCoreApplication::applicationDirPath() + QStringLiteral("/../ZEPH"));
    zeph::setDataFolder(QString::fromLocal8Bit(argv[1]));
    {
        // The watcher's first full run would share the cores with the typing.
        zeph::CSQLiteDB settings;
        zeph::openConfigDatabase(settings, argv[1]);  // the benchmark folders have ASCII paths
        zeph::storePreference(settings, zeph::Preference::LiveIndex, false);
    }
    zeph::CSQLiteDB db;
    zeph::MainWindow window(db);
    window.show();
    zeph::SearchPanel* panel = window.searchPanel();
    panel->setPinyin(!(argc > 3 && std::string(argv[3]) == "--no-pinyin"));
    zeph::ResultPanel* results = window.resultPanel();
    bool ended = false, began = false;
    // The time a search began (by emptying the list), on the keystroke's clock:
    // the latency is counted from there, not from the key less the typing
    // pause, whose timer may fire a little early or late.
    QElapsedTimer clock;
    qint64 beganAt = 0;
    QObject::connect(panel, &zeph::SearchPanel::searchFinished, [&] { ended = true; });
    QObject::connect(results->model(), &QAbstractItemModel::modelReset, [&] {
        began = true;
        ended = false;
        beganAt = clock.nsecsElapsed();
    });

    // Plain words, then words typed after a filter already in the line.
    const std::pair<QString, QString> typed[] = {
        {{}, QStringLiteral("report")},           {{}, QStringLiteral("报告")},
        {{}, QStringLiteral("xylophonequartz")},  {{}, QStringLiteral("baogao")},
        {{}, QStringLiteral("bg")},               {{}, QStringLiteral("kehu")},
        {QStringLiteral("ext:txt "), QStringLiteral("report")},
        {QStringLiteral("dm:thisyear "), QStringLiteral("report")},
        {QStringLiteral("size:<1mb "), QStringLiteral("xylophonequartz")}};
    for (const auto& [filter, word] : typed) {
        std::vector<double> latencies;
        for (int round = 0; round < rounds; ++round) {
            panel->nameBox()->setText(filter);
            runEvents(400);
            for (QChar c : word) {
                began = ended = false;
                clock.start();
                typeCharacter(panel->nameBox(), c);
                // The first page is shown when the new search's list holds a
                // page of rows, or the search ended with fewer.
                while (!(began && (ended || results->model()->rowCount() >= 100)) &&
                       clock.elapsed() < 10000)
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
                latencies.push_back(static_cast<double>(clock.nsecsElapsed() - beganAt) / 1e6);
                runEvents(300);
            }
        }
        std::printf(
            "%s: %zu keystrokes, first page after the pause: p50 %.1f ms, p95 %.1f ms, "
            "max %.1f ms\n",
            (filter + word).toUtf8().constData(), latencies.size(), percentile(latencies, 0.5),
            percentile(latencies, 0.95), *std::max_element(latencies.begin(), latencies.end()));
    }
    return 0;
}
