// What `zeph-query --help` prints; its manual page is made from the same
// text at build time (tools/make_man.cpp), so the two cannot drift.
#pragma once

namespace zeph {

inline constexpr char kQueryHelp[] = R"(NAME
    zeph-query - find files by name, content, folder, size and time in the ZEPH index

SYNOPSIS
    zeph-query [OPTION]... [NAME]...

DESCRIPTION
    Searches the index that ZEPHIndexer built (and the watcher keeps up to
    date) and prints the full path of every file and folder found, one per
    line, in the order the index holds them. The NAME words are the name
    text of the search window: each must occur in a name (case does not
    count), and they may use the same forms:

        *.pdf           every name ending in .pdf (* is any run of characters)
        report?.txt     ? is exactly one character (one Chinese character too)
        invoice|receipt names holding either word
        budget !old     names holding budget but not old
        "two words"     one word holding a space (quote it for the shell too)

    Quote patterns so the shell does not expand them. A NAME that holds a
    space is taken as one word, as if it were quoted.

    A word may also be a filter, name:value, in any order and with ! in
    front to leave out what it finds (the window's name box takes the same):

        ext:pdf;docx    suffixes (also with commas)
        type:text       a type of the suffix table: text, picture, media,
                        binary, other (or 文本, 图片, 音视频, 二进制, 其它)
        size:>10mb      size:<1k, size:1mb..5mb, size:empty, size:1024;
                        units b, k/kb, m/mb, g/gb are powers of 1,024
        dm:today        modified; dc: created, da: accessed. today,
                        yesterday, thisweek, lastweek, thismonth, thisyear,
                        last7days, 2024, 2024-03, 2024-03-15, a..b, >2024-01,
                        >=, <, <=; in local time, weeks from Monday
        in:~/proj       in the folder or below it (path: the same; a
                        relative path:projects is any folder of that name)
        parent:/data    directly in the folder
        file: folder:   only files, only folders
        hidden: case: exact:
                        hidden entries too, case counts, the whole name
                        (each also with :off)
        content:合同    content:"two words": the content search, as -c
        regex:^v\d+     a regular expression on the name (regex:path:...
                        on the whole path); matched in linear time, so no
                        pattern can stall a search; case does not count
                        unless case: or -C says so
        "a:b"           a quoted word, or an unknown name:, is a plain word

    A value that is not understood (size:>abc, dm:2024-13) ends the command
    with 2 and says which part.

    A word of letters also finds Chinese names by their pinyin: whole
    syllables, initials or a mix (baogao, bg, bgao and baoga all find 报告),
    any reading of a character counting, u or v for ü; and a Chinese word
    finds names in either script (報告 finds 报告). The setting 拼音搜索
    turns this off, and so does --no-pinyin for one command.

OPTIONS
    -c, --content TEXT  only files holding TEXT: documents (PDF, Office, OpenDocument,
                        EPUB, HTML) by the content index, text files by their
                        bytes (GBK, UTF-8 or UTF-16). In documents a
                        ligature or a full-width letter reads as the letters
                        it stands for, and a word a hyphen breaks at a
                        line's end is found whole as well as printed
        --snippet       with --content, print after each path a tab and the
                        line of the file where TEXT is
    -e, --ext LIST      only files with these suffixes, e.g. --ext pdf,doc
    -d, --in FOLDER     only entries in FOLDER or below it
    -s, --size MIN:MAX  only files of MIN to MAX bytes (either may be empty)
    -t, --time KIND:FROM:TO
                        only entries whose time lies in FROM to TO (seconds
                        since 1970, either may be empty); KIND is created,
                        modified or accessed
    -C, --case          upper and lower case count, in names and in the
                        content text (whose letters otherwise match in
                        either case: every script's in documents, ASCII and
                        full-width Latin ones in text files)
    -a, --hidden        also entries whose name, or a folder above, starts with '.'
    -x, --exact         the whole name must equal the text, byte for byte
                        (upper and lower case then always count)
        --no-pinyin     letters match only letters, Chinese only the same
                        characters
        --name TEXT     TEXT is the name text, whole (for a word that starts
                        with '-')
    -0, --null          end each path with a NUL byte instead of a line feed,
                        for xargs -0
        --json          print each hit as one JSON object on a line: path,
                        name and folder (UTF-8; bytes that are not UTF-8
                        also in base64 under path_base64 and so on), size,
                        modified, created and accessed (ISO 8601, local
                        time), kind (file, folder, link) and type, and the
                        snippet with --snippet
    -n, --count         print only the number of hits
    -l, --limit N       stop after N hits
        --folder DIR    use the data folder DIR (normally found on its own;
                        the environment variable ZEPH_DATA_DIR also names it)
        --stats         print timings to standard error
        --stop-after MS ask the search to stop after MS milliseconds and say
                        how soon it ended (for measuring)
    -h, --help          show this text

EXIT STATUS
    0   something was found
    1   nothing was found
    2   the search could not run: a wrong option, no name text and nothing
        else to narrow the search, a content text too long, no index or a
        damaged one, a content index that could not be read whole (damaged,
        busy or unreadable: it is rebuilt at the next index update), no
        database or a damaged one; or the results could not
        be written. The reason is on standard error.

EXAMPLES
    zeph-query report                      names holding "report"
    zeph-query '*.pdf' --in ~/Documents    PDF files below ~/Documents
    zeph-query 'invoice|receipt' '!2019'   invoices or receipts, not of 2019
    zeph-query 报告 --ext doc,docx          Word files named 报告
    zeph-query --content 蓝鲸数据 --ext txt  text files that mention 蓝鲸数据
    zeph-query 'ext:pdf' 'dm:thisweek' 报告  PDF files named 报告 changed this week
    zeph-query 'size:>1gb' --count         how many files are over 1 GiB
    zeph-query '!ext:log' 'in:~/proj' 'regex:^v\d+\.\d+'
                                           versions in ~/proj, log files left out
    zeph-query -0 '*.log' | xargs -0 du -ch
    zeph-query --count --ext jpg           how many JPEG pictures there are

SEE ALSO
    zeph-search(1), zeph-watcher(1)
)";

}  // namespace zeph
