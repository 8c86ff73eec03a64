#include "ContentStore.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <memory>

#include "common/Codec.h"
#include "common/Paths.h"
#include "content/ContentTokenizer.h"
#include "content/StatementUse.h"
#include "content/TextPieces.h"

namespace zeph::content {

namespace {

constexpr char kSchema[] = R"(
create table if not exists Documents(
    Id integer primary key,
    Folder text not null,
    Name text not null,
    Device integer not null,
    Inode integer not null,
    Size integer not null,
    Modified integer not null,
    State integer not null,
    TextLength integer not null,
    ModifiedNs integer not null default 0,
    Changed integer not null default 0,
    Reason text not null default '',
    unique(Folder, Name));
-- The few documents held only in part, found without reading every row.
create index if not exists PartlyHeld on Documents(State) where State in (2, 3);
create table if not exists Texts(Id integer primary key, Length integer not null,
    Text blob not null);
create table if not exists Pending(Folder text not null, Name text not null,
    Attempts integer not null default 0, NotBefore integer not null default 0,
    Reason text not null default '', primary key(Folder, Name)) without rowid;
create table if not exists Meta(Key text primary key, Value text not null) without rowid;
create virtual table if not exists Words using fts5(Text, content='', detail=none,
    tokenize='zeph');
)";

// The format of this version's store (texts in pieces, keys of the text's form).
constexpr char kFormatKey[] = "Format";
constexpr char kFormat[] = "2";
constexpr char kDropAll[] = R"(
drop table if exists Documents; drop table if exists Texts; drop table if exists Pending;
drop table if exists Meta; drop table if exists Words;
)";


Document documentOf(const Use& row) {
    Document d;
    d.id = row.number(0);
    d.folder = row.text(1);
    d.name = row.text(2);
    d.device = row.number(3);
    d.inode = row.number(4);
    d.size = row.number(5);
    d.modified = row.number(6);
    d.state = static_cast<Document::State>(row.number(7));
    d.textLength = row.number(8);
    d.modifiedNs = row.number(9);
    d.changedNs = row.number(10);
    d.reason = row.text(11);
    return d;
}

// Rows of id, folder and name (and, withState, size and modification time).
std::vector<Document> pathsOf(Use& rows, bool withState = false) {
    std::vector<Document> documents;
    while (rows.step() == SQLITE_ROW) {
        Document& d = documents.emplace_back();
        d.id = rows.number(0);
        d.folder = rows.text(1);
        d.name = rows.text(2);
        if (withState) {
            d.size = rows.number(3);
            d.modified = rows.number(4);
        }
    }
    return documents;
}

constexpr char kDocumentColumns[] =
    "Id, Folder, Name, Device, Inode, Size, Modified, State, TextLength, ModifiedNs, Changed, "
    "Reason";

}  // namespace

namespace {

std::string markerPath(const std::string& dataFolder, const char* marker = kRebuildMarker) {
    std::string folder = osPath(joinPath(dataFolder, kContentFolder));
    return folder.empty() ? std::string() : folder + "/" + marker;
}

bool touch(const std::string& path) {
    if (path.empty()) return false;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

constexpr char kCheckedKey[] = "Checked";
constexpr std::int64_t kCheckEvery = 24 * 3600;

}  // namespace

ContentStore::~ContentStore() {
    for (auto& [sql, statement] : m_statements) sqlite3_finalize(statement);
    if (m_db) sqlite3_close(m_db);
    if (damaged() && !m_dataFolder.empty()) touch(markerPath(m_dataFolder, kCheckMarker));
}

std::string ContentStore::path(const std::string& dataFolder) {
    std::string folder = osPath(joinPath(dataFolder, kContentFolder));
    return folder.empty() ? std::string() : folder + "/" + kContentDatabase;
}

std::unique_ptr<ContentStore> ContentStore::open(const std::string& dataFolder, bool create,
                                                 std::string* problem, bool* damaged) {
    std::string path = ContentStore::path(dataFolder);
    if (path.empty()) return nullptr;
    struct stat st;
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (create) ::mkdir(path.substr(0, path.rfind('/')).c_str(), 0755);
    if (!exists && !create) return nullptr;  // none yet: nothing to say
    auto fail = [&](std::unique_ptr<ContentStore> store) -> std::unique_ptr<ContentStore> {
        if (problem)
            *problem = store && store->m_db && store->failed() ? store->failureText()
                                                               : std::string("文档内容索引无法打开");
        if (damaged) *damaged = store && store->damaged();
        return nullptr;
    };
    std::unique_ptr<ContentStore> store(new ContentStore);
    store->m_dataFolder = dataFolder;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &store->m_db, flags, nullptr) != SQLITE_OK)
        return fail(std::move(store));
    sqlite3_busy_timeout(store->m_db, 10000);
    // A search reads pieces from the mapped file, without a copy through the
    // kernel each; a writer, which reads every page, keeps to the page cache.
    if (!create) sqlite3_exec(store->m_db, "pragma mmap_size=1073741824", nullptr, nullptr, nullptr);
    // A search that closes the store last neither folds the log into it nor
    // removes the log's files: that is a writer's work, and the next search
    // would only make them again.
    if (!create) sqlite3_db_config(store->m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    if (!registerTokenizer(store->m_db)) return fail(std::move(store));
    // A store the user may only read is read as it is; one that can be written
    // gets the tables and columns of this version.
    const bool readOnly = sqlite3_db_readonly(store->m_db, "main") == 1;
    if (!store->currentFormat(create && !readOnly)) {
        if (store->failed()) return fail(std::move(store));
        // A store of another format is no answer: searches read the files
        // until a writer makes it anew.
        if (create && problem) *problem = "文档内容索引是只读的，无法更新";
        return nullptr;
    }
    if (!create && !store->hasTables()) {
        if (store->failed()) return fail(std::move(store));
        return nullptr;  // made by no writer yet: nothing to say
    }
    // A search reads a store of this format as it is; a writer brings its
    // tables and indexes up to this version.
    if (!readOnly && create && !store->prepareSchema()) {
        store->m_failure = sqlite3_errcode(store->m_db);
        if (store->m_failure == SQLITE_OK) store->m_failure = SQLITE_ERROR;
        return fail(std::move(store));
    }
    // A file that is no database, or whose first pages are damaged, says so here.
    {
        Use probe(&store->m_failure, store->statement("select count(*) from Meta"));
        probe.step();
    }
    if (store->failed()) return fail(std::move(store));
    if (readOnly && create && problem) *problem = "文档内容索引是只读的，无法更新";
    return store;
}

bool ContentStore::requestRebuild(const std::string& dataFolder) {
    return touch(markerPath(dataFolder));
}

bool ContentStore::rebuildRequested(const std::string& dataFolder) {
    std::string marker = markerPath(dataFolder);
    return !marker.empty() && ::access(marker.c_str(), F_OK) == 0;
}

bool ContentStore::setAside(const std::string& dataFolder) {
    const std::string file = path(dataFolder);
    if (file.empty()) return false;
    for (const char* companion : {"-wal", "-shm"}) ::unlink((file + companion).c_str());
    if (::rename(file.c_str(), (file + ".damaged").c_str()) != 0 && errno != ENOENT) return false;
    ::unlink(markerPath(dataFolder).c_str());
    ::unlink(markerPath(dataFolder, kCheckMarker).c_str());
    return true;
}

bool ContentStore::failed() const {
    return m_failure != SQLITE_OK;
}

bool ContentStore::damaged() const {
    return m_failure == SQLITE_CORRUPT || m_failure == SQLITE_NOTADB;
}

std::string ContentStore::failureText() const {
    switch (m_failure & 0xFF) {
        case SQLITE_OK:
            return {};
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return "文档内容索引已损坏";
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "文档内容索引正忙，暂时无法读取";
        case SQLITE_FULL:
            return "磁盘已满，文档内容索引无法写入";
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_CANTOPEN:
            return "文档内容索引无法读写（没有权限）";
        default:
            return "文档内容索引无法读取（" + std::string(sqlite3_errstr(m_failure)) + "）";
    }
}

bool ContentStore::checkWhole() {
    Use check(&m_failure, statement("pragma quick_check(1)"));
    if (check.step() != SQLITE_ROW) return false;
    if (check.text(0) == "ok") return true;
    m_failure = SQLITE_CORRUPT;
    return false;
}

bool ContentStore::mergeKeys(const std::atomic<bool>& stop) {
    for (;;) {
        if (stop) return false;
        const int before = sqlite3_total_changes(m_db);
        // A negative step puts every structure on one level first: repeated,
        // it ends with one.
        if (!execute("insert into Words(Words, rank) values('merge', -2000)")) return false;
        if (sqlite3_total_changes(m_db) - before < 2) return true;
    }
}

bool ContentStore::checkDue(std::int64_t now) {
    if (::access(markerPath(m_dataFolder, kCheckMarker).c_str(), F_OK) == 0) return true;
    const std::string checked = meta(kCheckedKey);
    std::int64_t last = 0;
    std::from_chars(checked.data(), checked.data() + checked.size(), last);
    return checked.empty() || now - last >= kCheckEvery || now < last;
}

void ContentStore::markChecked(std::int64_t now) {
    if (setMeta(kCheckedKey, std::to_string(now)))
        ::unlink(markerPath(m_dataFolder, kCheckMarker).c_str());
}

bool ContentStore::prepareSchema() {
    if (!execute("pragma journal_mode=wal") || !execute("pragma synchronous=normal")) return false;
    if (!execute(kSchema)) return false;
    return !meta(kFormatKey).empty() || setMeta(kFormatKey, kFormat);
}

bool ContentStore::hasTables() {
    Use tables(&m_failure, statement("select count(*) from sqlite_master where name='Documents'"));
    return tables.step() == SQLITE_ROW && tables.number(0) > 0;
}

bool ContentStore::currentFormat(bool remake) {
    if (!hasTables()) return !failed();  // a new store: made in this format
    {
        Use format(&m_failure, statement("select count(*) from sqlite_master where name='Meta'"));
        if (format.step() == SQLITE_ROW && format.number(0) > 0 && meta(kFormatKey) == kFormat)
            return true;
    }
    if (failed() || !remake) return false;
    // An earlier format: its documents are read again by the comparison that follows.
    for (auto& [sql, prepared] : m_statements) sqlite3_finalize(prepared);
    m_statements.clear();
    return execute(kDropAll);
}

bool ContentStore::execute(const char* sql) {
    int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK && m_failure == SQLITE_OK) m_failure = rc;
    return rc == SQLITE_OK;
}

sqlite3_stmt* ContentStore::statement(const char* sql) {
    for (auto& [text, prepared] : m_statements)
        if (text == sql) return prepared;
    sqlite3_stmt* prepared = nullptr;
    if (int rc = sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &prepared, nullptr);
        rc != SQLITE_OK) {
        if (m_failure == SQLITE_OK) m_failure = rc;  // a file that is no database says so here
        return nullptr;
    }
    m_statements.emplace_back(sql, prepared);
    return prepared;
}

bool ContentStore::begin() {
    return execute("begin immediate");
}

bool ContentStore::commit() {
    return execute("commit");
}

void ContentStore::rollback() {
    execute("rollback");
}

std::optional<Document> ContentStore::find(std::string_view folder, std::string_view name) {
    static const std::string sql =
        std::string("select ") + kDocumentColumns + " from Documents where Folder=?1 and Name=?2";
    Use row(&m_failure,statement(sql.c_str()));
    row.bind(1, folder).bind(2, name);
    if (row.step() != SQLITE_ROW) return std::nullopt;
    return documentOf(row);
}

std::optional<Document> ContentStore::document(std::int64_t id) {
    static const std::string sql =
        std::string("select ") + kDocumentColumns + " from Documents where Id=?1";
    Use row(&m_failure,statement(sql.c_str()));
    row.bind(1, id);
    if (row.step() != SQLITE_ROW) return std::nullopt;
    return documentOf(row);
}

void ContentStore::forEachDocumentState(
    const std::function<void(std::int64_t, std::string_view, std::string_view, std::int64_t,
                             std::int64_t)>& visit) {
    Use rows(&m_failure, statement("select Id, Folder, Name, Size, Modified from Documents"));
    while (rows.step() == SQLITE_ROW)
        visit(rows.number(0), rows.view(1), rows.view(2), rows.number(3), rows.number(4));
}

std::int64_t ContentStore::documentCountBound() {
    Use row(&m_failure, statement("select max(Id) from Documents"));
    return row.step() == SQLITE_ROW ? row.number(0) : 0;
}

std::int64_t ContentStore::documentCount() {
    Use row(&m_failure,statement("select count(*) from Documents"));
    return row.step() == SQLITE_ROW ? row.number(0) : 0;
}

bool ContentStore::forEachPiece(
    std::int64_t id, const std::function<bool(std::int64_t, size_t, std::string&)>& visit) {
    Use rows(&m_failure, statement("select Id, Length, Text from Texts where Id>=?1 and Id<?2 "
                                   "order by Id"));
    rows.bind(1, firstPiece(id)).bind(2, firstPiece(id + 1));
    int rc;
    while ((rc = rows.step()) == SQLITE_ROW) {
        std::optional<std::string> text = unpackPiece(rows.text(2));
        if (!text) {
            if (m_failure == SQLITE_OK) m_failure = SQLITE_CORRUPT;
            return false;
        }
        if (!visit(rows.number(0), static_cast<size_t>(rows.number(1)), *text)) return true;
    }
    return rc == SQLITE_DONE;
}

std::optional<std::string> ContentStore::piece(std::int64_t pieceId) {
    Use row(&m_failure, statement("select Text from Texts where Id=?1"));
    row.bind(1, pieceId);
    if (row.step() != SQLITE_ROW) return std::nullopt;
    std::optional<std::string> text = unpackPiece(row.text(0));
    if (!text && m_failure == SQLITE_OK) m_failure = SQLITE_CORRUPT;
    return text;
}

std::optional<std::string> ContentStore::text(std::int64_t id) {
    std::string text;
    bool any = false;
    bool whole = forEachPiece(id, [&](std::int64_t, size_t length, std::string& piece) {
        text.append(piece, 0, std::min(length, piece.size()));
        any = true;
        return true;
    });
    if (!whole || !any) return std::nullopt;
    return text;
}

std::optional<bool> ContentStore::holds(std::int64_t id, const std::vector<std::int64_t>& pieces,
                                        std::string_view formWord, LetterCase letterCase) {
    bool found = false;
    if (pieces.empty()) {
        if (!forEachPiece(id, [&](std::int64_t, size_t, std::string& piece) {
                found = holdsWord(piece, formWord, letterCase);
                return !found;
            }))
            return std::nullopt;
        return found;
    }
    for (std::int64_t pieceId : pieces) {
        std::optional<std::string> piece = this->piece(pieceId);
        if (!piece) return std::nullopt;
        if (holdsWord(*piece, formWord, letterCase)) return true;
    }
    return false;
}

// A contentless index forgets a row only when told its text again.
bool ContentStore::dropTokens(std::int64_t id) {
    Use drop(&m_failure, statement("insert into Words(Words, rowid, Text) values('delete', ?1, ?2)"));
    if (!drop.ok()) return false;
    return forEachPiece(id, [&](std::int64_t pieceId, size_t, std::string& piece) {
        bool dropped = drop.bind(1, pieceId).bind(2, piece).run();
        sqlite3_reset(drop.statement());
        return dropped;
    }) && !failed();
}

bool ContentStore::put(Document d, std::string_view text) {
    std::optional<Document> old = find(d.folder, d.name);
    if (old) {
        if (!dropTokens(old->id)) return false;
        d.id = old->id;
    }
    Use row(&m_failure,
        statement("insert or replace into Documents(Id, Folder, Name, Device, Inode, Size, "
                  "Modified, State, TextLength, ModifiedNs, Changed, Reason) "
                  "values(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12)"));
    if (old) row.bind(1, d.id);
    row.bind(2, d.folder)
        .bind(3, d.name)
        .bind(4, d.device)
        .bind(5, d.inode)
        .bind(6, d.size)
        .bind(7, d.modified)
        .bind(8, static_cast<std::int64_t>(d.state))
        .bind(9, static_cast<std::int64_t>(text.size()))
        .bind(10, d.modifiedNs)
        .bind(11, d.changedNs)
        .bind(12, d.reason);
    if (!row.run()) return false;
    if (!old) d.id = sqlite3_last_insert_rowid(m_db);
    {
        Use drop(&m_failure, statement("delete from Texts where Id>=?1 and Id<?2"));
        if (!drop.bind(1, firstPiece(d.id)).bind(2, firstPiece(d.id + 1)).run()) return false;
    }
    std::vector<size_t> ends = pieceEnds(text);
    if (ends.size() >= (size_t{1} << kPieceBits)) ends.resize((size_t{1} << kPieceBits) - 1);
    Use store(&m_failure, statement("insert into Texts(Id, Length, Text) values(?1, ?2, ?3)"));
    Use words(&m_failure, statement("insert into Words(rowid, Text) values(?1, ?2)"));
    size_t begin = 0;
    for (size_t number = 0; number < ends.size(); ++number) {
        std::string_view piece = pieceWithOverlap(text, begin, ends[number]);
        const std::int64_t id = firstPiece(d.id) + static_cast<std::int64_t>(number);
        if (!store.bind(1, id).bind(2, static_cast<std::int64_t>(ends[number] - begin))
                 .blob(3, packPiece(piece)).run() ||
            !words.bind(1, id).bind(2, piece).run())
            return false;
        sqlite3_reset(store.statement());
        sqlite3_reset(words.statement());
        begin = ends[number];
    }
    return true;
}

bool ContentStore::remove(std::string_view folder, std::string_view name) {
    std::optional<Document> old = find(folder, name);
    if (!old) return true;
    if (!dropTokens(old->id)) return false;
    Use texts(&m_failure, statement("delete from Texts where Id>=?1 and Id<?2"));
    Use documents(&m_failure, statement("delete from Documents where Id=?1"));
    return texts.bind(1, firstPiece(old->id)).bind(2, firstPiece(old->id + 1)).run() &&
           documents.bind(1, old->id).run();
}

bool ContentStore::removeBelow(std::string_view folderPath) {
    // The folder's own entries and the range of folders below it ('0' follows '/').
    std::string folder = normalizeFolder(folderPath);
    std::string below = folder == "/" ? "/" : folder + "/";
    std::string end = folder == "/" ? "0" : folder + "0";
    std::vector<std::pair<std::string, std::string>> doomed;
    {
        Use rows(&m_failure,
            statement("select Folder, Name from Documents where Folder=?1 or "
                      "(Folder>=?2 and Folder<?3)"));
        rows.bind(1, folder).bind(2, below).bind(3, end);
        while (rows.step() == SQLITE_ROW) doomed.emplace_back(rows.text(0), rows.text(1));
    }
    for (const auto& [f, n] : doomed)
        if (!remove(f, n)) return false;
    return true;
}

std::vector<Document> ContentStore::candidateDocuments(const std::vector<std::string>& keys) {
    Use rows(&m_failure, statement("select w.rowid, d.Folder, d.Name from Words w join Documents d "
                                   "on d.Id=(w.rowid>>16) where Words match ?1 order by w.rowid"));
    static_assert(kPieceBits == 16);
    rows.bind(1, matchExpression(keys));
    std::vector<Document> documents;
    while (rows.step() == SQLITE_ROW) {
        const std::int64_t piece = rows.number(0);
        if (documents.empty() || documents.back().id != piece >> kPieceBits) {
            Document& d = documents.emplace_back();
            d.id = piece >> kPieceBits;
            d.folder = rows.text(1);
            d.name = rows.text(2);
        }
        documents.back().pieces.push_back(piece);
    }
    return documents;
}

std::vector<Document> ContentStore::allDocumentPaths() {
    Use rows(&m_failure, statement("select Id, Folder, Name from Documents where exists "
                                   "(select 1 from Texts where Id>=(Documents.Id<<16) and "
                                   "Id<((Documents.Id+1)<<16)) order by Id"));
    return pathsOf(rows);
}

std::vector<Document> ContentStore::allDocumentStates() {
    Use rows(&m_failure, statement("select Id, Folder, Name, Size, Modified from Documents"));
    return pathsOf(rows, true);
}

std::vector<Document> ContentStore::partlyHeldPaths() {
    Use rows(&m_failure, statement("select Id, Folder, Name from Documents where State in (2, 3)"));
    return pathsOf(rows);
}

bool ContentStore::addPending(std::string_view folder, std::string_view name, bool fresh) {
    Use row(&m_failure,statement(fresh ? "insert into Pending(Folder, Name) values(?1, ?2) on conflict do "
                              "update set Attempts=0, NotBefore=0, Reason=''"
                            : "insert or ignore into Pending(Folder, Name) values(?1, ?2)"));
    return row.bind(1, folder).bind(2, name).run();
}

std::vector<PendingPath> ContentStore::duePending(std::int64_t now, std::int64_t atMost) {
    std::vector<PendingPath> paths;
    Use rows(&m_failure,statement(
        "select Folder, Name, Attempts, Reason from Pending where NotBefore<=?1 limit ?2"));
    rows.bind(1, now).bind(2, atMost);
    while (rows.step() == SQLITE_ROW)
        paths.push_back({rows.text(0), rows.text(1), rows.number(2), rows.text(3)});
    return paths;
}

bool ContentStore::postpone(std::string_view folder, std::string_view name,
                            std::int64_t attempts, std::int64_t notBefore,
                            std::string_view reason) {
    Use row(&m_failure,statement(
        "update Pending set Attempts=?3, NotBefore=?4, Reason=?5 where Folder=?1 and Name=?2"));
    return row.bind(1, folder).bind(2, name).bind(3, attempts).bind(4, notBefore).bind(5, reason)
        .run();
}

std::string ContentStore::failure(std::string_view folder, std::string_view name) {
    {
        Use row(&m_failure,statement("select Reason from Pending where Folder=?1 and Name=?2"));
        row.bind(1, folder).bind(2, name);
        if (row.step() == SQLITE_ROW && !row.text(0).empty()) return "无法读取：" + row.text(0);
    }
    std::optional<Document> document = find(folder, name);
    if (!document) return {};
    switch (document->state) {
        case Document::Unreadable:
            return "无法读取：" + document->reason;
        case Document::Cut:
            return "只读取了文档的一部分文字";
        case Document::TooLarge:
            return "文件超过大小限制，没有读取其中的文字";
        default:
            return {};
    }
}

std::vector<std::pair<std::string, std::string>> ContentStore::pending(std::int64_t atMost) {
    std::vector<std::pair<std::string, std::string>> paths;
    Use rows(&m_failure,statement("select Folder, Name from Pending limit ?1"));
    rows.bind(1, atMost);
    while (rows.step() == SQLITE_ROW) paths.emplace_back(rows.text(0), rows.text(1));
    return paths;
}

bool ContentStore::removePending(std::string_view folder, std::string_view name) {
    Use row(&m_failure,statement("delete from Pending where Folder=?1 and Name=?2"));
    return row.bind(1, folder).bind(2, name).run();
}

std::int64_t ContentStore::pendingCount() {
    Use row(&m_failure,statement("select count(*) from Pending"));
    return row.step() == SQLITE_ROW ? row.number(0) : 0;
}

std::string ContentStore::meta(std::string_view key) {
    Use row(&m_failure,statement("select Value from Meta where Key=?1"));
    row.bind(1, key);
    return row.step() == SQLITE_ROW ? row.text(0) : std::string();
}

bool ContentStore::setMeta(std::string_view key, std::string_view value) {
    Use row(&m_failure,statement("insert or replace into Meta(Key, Value) values(?1, ?2)"));
    return row.bind(1, key).bind(2, value).run();
}

}  // namespace zeph::content
