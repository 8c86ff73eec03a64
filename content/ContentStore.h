// The content index's own database, content/Content.sqlite in the data
// folder. It outlives the name index's generations:
//   Documents  one row per file read: its path (GBK, as the file list has
//              it), device, inode, size, modification time in seconds and in
//              nanoseconds, and change time (a file whose seven are unchanged
//              is never read again), state, text length, and for a document
//              that could not be read, why
//   Texts      each document's text, UTF-8, in pieces (TextPieces.h): a
//              candidate is confirmed against only the pieces holding every
//              key of the word, and the preview shows the text in context
//   Words      the full-text index of the pieces (FTS5, contentless, keys of
//              ContentTokenizer.h), row id = the piece's id
//   Pending    files to (re)read or drop, in or below a path; a file whose
//              reading failed for want of time or memory waits there for its
//              next try (how many, not before when, and why)
//   Meta       the name-index generation the files were last compared with,
//              when every page was last read and found sound,
//              and the store's format: a store of another format is made
//              anew by the next writer, and read by no one meanwhile
// Writers (the watcher, or the indexer when nothing watches) and readers
// (the engine) share it in WAL mode.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "content/SearchForm.h"
#include "content/TextPieces.h"

struct sqlite3;
struct sqlite3_stmt;

namespace zeph::content {

inline constexpr char kContentFolder[] = "content";
inline constexpr char kContentDatabase[] = "Content.sqlite";
inline constexpr char kDiffedGeneration[] = "DiffedGeneration";
inline constexpr char kScopeFingerprint[] = "Scope";
// "1" when every file the compared name index lists lies in the scope's
// folders: a search anywhere is then a search of the scope's folders.
inline constexpr char kListInScope[] = "ListInScope";
// What the compared list said of the files the scope covers (see ContentIndexer).
inline constexpr char kListDigest[] = "ListDigest";
// A file in the content folder asking the next writer (the watcher within
// seconds, else the next index run) to make the store anew.
inline constexpr char kRebuildMarker[] = "rebuild";
// A file asking the next writer to read every page of the store: left by any
// connection that met a damaged page.
inline constexpr char kCheckMarker[] = "check";


struct Document {
    enum State { Indexed = 0, Unreadable = 1, TooLarge = 2, Cut = 3 };
    std::int64_t id = 0;
    std::string folder, name;  // GBK
    std::int64_t device = 0, inode = 0, size = 0, modified = 0;
    std::int64_t modifiedNs = 0, changedNs = 0;  // since 1970, in nanoseconds
    State state = Indexed;
    std::int64_t textLength = 0;
    std::string reason;  // GBK: why an unreadable document could not be read
    // The pieces of its text that may hold a word (candidateDocuments); none
    // listed: all of them.
    std::vector<std::int64_t> pieces;
};

// A pending path and its earlier tries.
struct PendingPath {
    std::string folder, name;  // GBK
    std::int64_t attempts = 0;
    std::string reason;  // GBK: why the last try failed
};

class ContentStore {
public:
    ~ContentStore();
    ContentStore(const ContentStore&) = delete;
    ContentStore& operator=(const ContentStore&) = delete;

    // The store of the data folder (GBK); with create, made when missing.
    // nullptr when it is missing or cannot be opened; in the second case
    // problem (GBK) says why. A store the user may only read opens for
    // reading, and with create problem says it cannot be written.
    static std::unique_ptr<ContentStore> open(const std::string& dataFolder, bool create,
                                              std::string* problem = nullptr,
                                              bool* damaged = nullptr);
    // Its file (system encoding).
    static std::string path(const std::string& dataFolder);
    // Asks for the store to be made anew; whether it was asked.
    static bool requestRebuild(const std::string& dataFolder);
    static bool rebuildRequested(const std::string& dataFolder);
    // Puts a damaged store aside (Content.sqlite.damaged, replacing an older
    // one) and clears the request: the next open with create makes it anew.
    static bool setAside(const std::string& dataFolder);

    // Whether a statement failed since the store was opened (damaged pages,
    // busy past the wait, a full disk): what was read then is not whole.
    bool failed() const;
    bool damaged() const;
    // Why, in the user's words (GBK); "" when nothing failed.
    std::string failureText() const;
    // Reads every page: false (and damaged) when one is not sound.
    bool checkWhole();
    // Merges the full-text keys into one structure, a transaction a step at a
    // time (a search then looks each key up once, not once per structure);
    // false when stopped or when a step failed, the keys whole either way.
    bool mergeKeys(const std::atomic<bool>& stop);
    // Whether every page is to be read now (seconds since 1970): once a day,
    // and at once when a connection met a damaged page. markChecked notes a
    // check that found every page sound.
    bool checkDue(std::int64_t now);
    void markChecked(std::int64_t now);
    // A writer's new pass: what failed before is forgotten.
    void clearFailure() { m_failure = 0; }

    bool begin();
    bool commit();
    void rollback();

    // Documents.
    std::optional<Document> find(std::string_view folder, std::string_view name);
    std::optional<Document> document(std::int64_t id);
    // Every document's id, path (GBK, valid during the call), size and
    // modification time, in no order.
    void forEachDocumentState(const std::function<void(std::int64_t, std::string_view,
                                                       std::string_view, std::int64_t,
                                                       std::int64_t)>& visit);
    std::int64_t documentCount();
    // About as many as there are documents, read at once (the highest id).
    std::int64_t documentCountBound();
    // Stores a document's state and text, replacing what was stored for its path.
    bool put(Document document, std::string_view text);
    // Drops the document at the path, or every one in or below a folder.
    bool remove(std::string_view folder, std::string_view name);
    bool removeBelow(std::string_view folderPath);
    // The text stored for a document (UTF-8).
    std::optional<std::string> text(std::int64_t id);

    // The documents with a piece holding every key (ContentTokenizer.h), in
    // id order, with their paths (id, folder and name only) and those pieces.
    std::vector<Document> candidateDocuments(const std::vector<std::string>& keys);
    // Every document with a text, for a word too short for keys.
    std::vector<Document> allDocumentPaths();
    // Whether the document's text holds the word (in its form, SearchForm.h),
    // read from the pieces given (none: all); nullopt when they cannot be read.
    std::optional<bool> holds(std::int64_t id, const std::vector<std::int64_t>& pieces,
                              std::string_view formWord, LetterCase letterCase);
    // Every document's path, size and modification time (no text), in one query.
    std::vector<Document> allDocumentStates();
    // The paths of the documents whose text is held only in part: cut at the
    // cap, or not read for their size.
    std::vector<Document> partlyHeldPaths();

    // Pending paths. A fresh one (the file changed) forgets earlier tries.
    bool addPending(std::string_view folder, std::string_view name, bool fresh = true);
    std::vector<std::pair<std::string, std::string>> pending(std::int64_t atMost = -1);
    // Those whose next try is due at the time given (seconds since 1970).
    std::vector<PendingPath> duePending(std::int64_t now, std::int64_t atMost);
    // Keeps a path pending until notBefore, noting the try that failed.
    bool postpone(std::string_view folder, std::string_view name, std::int64_t attempts,
                  std::int64_t notBefore, std::string_view reason);
    // Why the reading of a path failed or stopped short: the unreadable
    // document's reason, that of the last try of one still pending, or that
    // its text is held only in part; "" when it was read whole.
    std::string failure(std::string_view folder, std::string_view name);
    bool removePending(std::string_view folder, std::string_view name);
    std::int64_t pendingCount();

    std::string meta(std::string_view key);
    bool setMeta(std::string_view key, std::string_view value);

private:
    ContentStore() = default;
    bool prepareSchema();
    // False when the store is of another format; made anew when remake is set.
    bool currentFormat(bool remake);
    bool hasTables();
    bool execute(const char* sql);
    sqlite3_stmt* statement(const char* sql);
    // Each stored piece of a document: its id, own length and text with the
    // start of the next.
    bool forEachPiece(std::int64_t id,
                      const std::function<bool(std::int64_t, size_t, std::string&)>& visit);
    std::optional<std::string> piece(std::int64_t pieceId);
    bool dropTokens(std::int64_t id);

    std::string m_dataFolder;
    sqlite3* m_db = nullptr;
    int m_failure = 0;  // the first failed step's SQLite code
    std::vector<std::pair<const char*, sqlite3_stmt*>> m_statements;
};

}  // namespace zeph::content
