// Times a launcher's questions through the session bus, as GNOME Shell asks
// them while a user types: GetInitialResultSet for each prefix of each word,
// then GetResultMetas for the first hits. Prints p50/p95 of the answers and
// the service's resident memory. Run it on a bus where org.zeph.Search is
// provided (bench/launcher_bench.sh makes one).
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[static_cast<size_t>(share * (values.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QDBusInterface provider(QStringLiteral("org.zeph.Search"),
                            QStringLiteral("/org/zeph/Search/SearchProvider"),
                            QStringLiteral("org.gnome.Shell.SearchProvider2"));
    const QStringList words = {QStringLiteral("report"), QStringLiteral("baogao"),
                               QStringLiteral("invoice"), QStringLiteral("xylophonequartz"),
                               QStringLiteral("ext:pdf budget"), QStringLiteral("size:>100mb")};
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    std::vector<double> initial, metas;
    // The first call starts the service and loads the index: not a keystroke's.
    provider.call(QStringLiteral("GetInitialResultSet"), QStringList{QStringLiteral("warm")});
    for (int round = 0; round < rounds; ++round)
        for (const QString& word : words)
            for (int length = 2; length <= word.size(); ++length) {
                QElapsedTimer clock;
                clock.start();
                QDBusReply<QStringList> ids = provider.call(
                    QStringLiteral("GetInitialResultSet"), QStringList{word.left(length)});
                initial.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
                if (!ids.isValid()) {
                    std::fprintf(stderr, "no answer: %s\n", qPrintable(ids.error().message()));
                    return 1;
                }
                clock.restart();
                provider.call(QStringLiteral("GetResultMetas"), ids.value().mid(0, 5));
                metas.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            }
    std::printf("GetInitialResultSet: %zu calls, p50 %.1f ms, p95 %.1f ms, max %.1f ms\n",
                initial.size(), percentile(initial, 0.5), percentile(initial, 0.95),
                *std::max_element(initial.begin(), initial.end()));
    std::printf("GetResultMetas: p50 %.1f ms, p95 %.1f ms\n", percentile(metas, 0.5),
                percentile(metas, 0.95));
    uint pid = QDBusConnection::sessionBus().interface()->servicePid(QStringLiteral("org.zeph.Search"));
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS") || line.startsWith("VmHWM"))
                std::printf("zeph-searchd %s\n", line.simplified().constData());
    return 0;
}
