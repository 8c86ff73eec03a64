// What `zeph-watcher --help` prints; its manual page is made from the same
// text at build time (tools/make_man.cpp).
#pragma once

namespace zeph {

inline constexpr char kWatcherHelp[] = R"(NAME
    zeph-watcher - keep the ZEPH index live as files change

SYNOPSIS
    zeph-watcher [--stats] [-h | --help]

DESCRIPTION
    Watches every folder of the indexed roots with inotify and appends what
    changes to a journal beside the index, which every search reads: a file
    saved a moment ago is found. With the content index on, it also reads
    the words of documents that change. It starts with the desktop session
    and when the search window starts; one runs per data folder, and a
    second start ends at once, as does a start while live updates are off
    (工具 → 系统配置 → 实时更新索引).

    It rebuilds the index with a full run of the indexer when it starts,
    when events were lost, when watches run out (fs.inotify.max_user_watches),
    when a root goes away or is replaced, when the journal grows past 100,000
    records, and at the configured update time; each of these writes a line
    to the system log. SIGTERM or SIGINT ends it within a second.

OPTIONS
        --stats         print what each batch of changes cost on standard error
    -h, --help          show this text and end

FILES
    ~/.local/share/zeph-search/
                        the user's data folder, whose index it keeps live
    /etc/xdg/autostart/zeph-watcher.desktop
                        starts it with the desktop session

ENVIRONMENT
    ZEPH_DATA_DIR       the data folder to use instead
    XDG_DATA_HOME       when set, the data folder is $XDG_DATA_HOME/zeph-search

EXIT STATUS
    0   it was asked to end, another watcher already watches the data
        folder, or live updates are off
    2   the data folder could not be prepared

SEE ALSO
    zeph-search(1), zeph-query(1), inotify(7)
)";

}  // namespace zeph
