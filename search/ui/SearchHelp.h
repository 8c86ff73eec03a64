// What `zeph-search --help` prints; its manual page is made from the same
// text at build time (tools/make_man.cpp).
#pragma once

namespace zeph {

inline constexpr char kSearchHelp[] = R"(NAME
    zeph-search - the ZEPH desktop search window

SYNOPSIS
    zeph-search [--search LINE] [-h | --help]

DESCRIPTION
    Opens the window of ZEPH桌面搜索, which finds any file on the machine by
    part of its name, by a word inside it, by folder, size, time and type.
    The list follows each key typed in the name box; a name may be written
    as a pattern (*.pdf), a choice (invoice|receipt), with words left out
    (budget !old), or in pinyin (bg or baogao find 报告). What is found can be
    opened, previewed, moved, copied, moved to the trash or shown in its
    folder.

    The first start asks which folders to index and runs the indexer,
    which closes itself when done; the window opens on the next start.
    While live updates are on (工具 → 系统配置) the window starts
    zeph-watcher(1), which keeps the index current as files change. One
    window runs per data folder: a second start brings the first to the
    front.

OPTIONS
        --search LINE   put LINE in the name box and search for it (in the
                        window already open, if one is); LINE takes the
                        words and filters of zeph-query(1), such as
                        'ext:pdf dm:thisweek 报告'
    -h, --help          show this text and end

FILES
    ~/.local/share/zeph-search/
                        the user's data folder: ZephConfig.sqlite (the
                        settings, the last results and the system log),
                        index/ (the published index), tmp/ and ext/
    /usr/lib/zeph/      the program folder: the programs, the pictures, the
                        help page, Translation.dat and Pinyin.dat

ENVIRONMENT
    ZEPH_DATA_DIR       the data folder to use instead
    XDG_DATA_HOME       when set, the data folder is $XDG_DATA_HOME/zeph-search

EXIT STATUS
    0   the window was closed, or an open window was brought to the front
    1   the first start began the index run, or could not start it
    2   the first start's question of folders was declined

SEE ALSO
    zeph-query(1), zeph-watcher(1)
)";

}  // namespace zeph
