#include "SearchEngine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "common/Codec.h"
#include "common/FileList.h"
#include "common/GbkChars.h"
#include "common/KeyScheme.h"
#include "common/Messages.h"
#include "common/Paths.h"
#include "common/Process.h"
#include "common/SQLiteDB.h"
#include "common/StartupSettings.h"
#include "common/Statements.h"
#include "search/engine/ContentSearch.h"
#include "search/engine/Intersect.h"
#include "search/engine/ResultStore.h"
#include "search/engine/ResultTexts.h"

namespace zeph {

namespace {

// Type flags are one byte per ExtendID; ids beyond this are never flagged.
constexpr std::int64_t kMaxTypeFlags = 1 << 20;

[[noreturn]] void systemFilesMissing() {
    fatalExit(-1, "系统文件丢失，请与开发商联系!", "系统文件丢失");
}

std::int64_t timeOfKind(const FileListLine& line, int kind) {
    switch (kind) {
        case kModificationTime:
            return line.times.modified;
        case kAccessTime:
            return line.times.accessed;
        default:
            return line.times.created;
    }
}

// The folder criterion: the look-in folder itself or anything below it, by
// whole path components, bytes compared exactly; "" and "/" admit everything.
bool inLookInFolder(const std::string& lookIn, std::string_view folder) {
    return lookIn.empty() || folderContains(lookIn, folder);
}

bool containsAllTokens(std::string_view name, const std::vector<std::string>& tokens) {
    for (const std::string& token : tokens)
        if (findAtCharacter(name, token) == std::string_view::npos) return false;
    return true;
}

}  // namespace

CSearchEngine::CSearchEngine(CSQLiteDB& db, std::string programFolder, std::string dataFolder,
                             std::int64_t now)
    : m_db(db), m_programFolder(std::move(programFolder)), m_dataFolder(std::move(dataFolder)) {
    // Every data path is built from the two folders, so a failed change of
    // directory costs nothing but relative names given by the user.
    [[maybe_unused]] int changed = chdir(osPath(m_dataFolder).c_str());
    openConfigDatabase(m_db, m_dataFolder);
    readExtensions();
    runStartupSettings(m_db, m_programFolder, now);
    loadIndex();
}

CSearchEngine::~CSearchEngine() {
    requestStop();
    std::lock_guard wait(m_searchMutex);
}

void CSearchEngine::readExtensions() {
    std::vector<Row> rows;
    if (m_db.QueryRows(sql::kSelectExtendNamesOrdered, rows) != kSqlOk)
        fatalExit(1, "数据库查询异常，请与开发商联系！", "SQL查询失败");
    std::int64_t highest = 0;
    for (const Row& row : rows) {
        std::int64_t id = std::strtoll(row[0].c_str(), nullptr, 10);
        m_extensions[row[1]] = id;
        m_descriptions[id] = row[3];
        highest = std::max(highest, id);
    }
    m_typeFlagCount = static_cast<size_t>(std::min(highest + 1, kMaxTypeFlags));
}

void CSearchEngine::loadIndex() {
    switch (m_index.load(m_dataFolder)) {
        case IndexDirectory::LoadResult::Loaded:
            return;
        case IndexDirectory::LoadResult::NoPostings:
        case IndexDirectory::LoadResult::Damaged:  // rebuilt like a missing index
            if (!askYesNo(
                    "这是您第一次运行ZEPH桌面搜索，您必须建立索引。您现在要退出ZEPH桌面搜索主程序,"
                    "并启动ZEPH桌面搜索索引程序吗？",
                    "第一次运行"))
                fatalExit(2);
            if (!startIndexer(m_programFolder))
                showMessage("打开文件失败,可能是未知的文件类型，也可能是文件已经从硬盘删除.");
            fatalExit(1);
        default:
            systemFilesMissing();
    }
}

std::vector<std::uint32_t> CSearchEngine::readBucket(std::uint32_t slot) {
    std::vector<std::uint32_t> postings;
    if (!m_index.readPostings(slot, postings)) systemFilesMissing();
    return postings;
}

std::vector<std::uint32_t> CSearchEngine::nameCandidates(const std::vector<std::string>& tokens) {
    std::vector<std::uint32_t> slots;
    for (const std::string& token : tokens)
        for (const IndexKey& key : queryKeys(token))
            slots.push_back(key.table == KeyTable::Character ? index::characterSlot(key.key)
                                                             : index::pairSlot(key.key));
    std::sort(slots.begin(), slots.end());
    slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
    // An empty bucket means no candidates: no need to read the others.
    for (std::uint32_t slot : slots)
        if (m_index.bucket(slot).count == 0) return {};
    std::vector<std::vector<std::uint32_t>> lists;
    for (std::uint32_t slot : slots) lists.push_back(readBucket(slot));
    return intersectPostings(std::move(lists));
}

// Without name text: every file of the ticked suffixes, by ExtendID, then by entry.
std::vector<std::uint32_t> CSearchEngine::typeCandidates(const SearchCriteria& criteria) {
    std::vector<std::uint32_t> candidates;
    std::vector<bool> read(index::kSuffixBuckets, false);
    size_t flags = std::min(criteria.typeFlags.size(), m_typeFlagCount);
    for (size_t id = 0; id < flags; ++id) {
        if (!criteria.typeFlags[id]) continue;
        std::uint32_t bucket = index::suffixBucketOf(static_cast<long long>(id));
        if (read[bucket]) continue;  // ids past the table share the last bucket
        read[bucket] = true;
        std::vector<std::uint32_t> postings = readBucket(index::suffixSlot(bucket));
        candidates.insert(candidates.end(), postings.begin(), postings.end());
    }
    return candidates;
}

int CSearchEngine::Search(const SearchCriteria& criteria, ResultView* view) {
    std::lock_guard oneAtATime(m_searchMutex);
    m_running = true;
    m_stop = false;
    struct Running {
        std::atomic<bool>& flag;
        ~Running() { flag = false; }
    } running{m_running};

    if (auto refused = CContentSearch::refusal(criteria.content)) {
        showMessage(*refused, "查询条件过长");
        return kSearchRefused;
    }
    std::vector<std::string> tokens;
    std::vector<std::uint32_t> candidates;
    if (!criteria.name.empty()) {
        tokens = tokenize(criteria.caseSensitive ? criteria.name : lowerBytes(criteria.name));
        // Separators only: a query that can match nothing.
        if (!tokens.empty()) candidates = nameCandidates(tokens);
    } else if (criteria.typeTab == 0 && criteria.content.empty()) {
        showMessage("请输入查询条件！", "查询为空");
        return kSearchEmpty;
    } else {
        candidates = typeCandidates(criteria);
    }
    return evaluateCandidates(criteria, tokens, candidates, view);
}

int CSearchEngine::evaluateCandidates(const SearchCriteria& criteria,
                                      const std::vector<std::string>& tokens,
                                      const std::vector<std::uint32_t>& candidates,
                                      ResultView* view) {
    ResultStore store(m_db, view);
    std::unique_ptr<CContentSearch> content;
    if (!criteria.content.empty()) {
        content = std::make_unique<CContentSearch>(m_programFolder);
        content->SetPattern(criteria.content);
    }

    bool ended = false;
    std::string text, typeText;
    for (std::uint32_t id : candidates) {
        if (m_stop) {
            ended = true;
            break;
        }
        if (!m_index.readLine(id, text)) {
            if (id >= m_index.fileListSize()) continue;  // an id no line starts at
            ended = true;
            break;
        }
        auto line = parseFileListLine(text);
        bool isFolder = !text.empty() && text[0] == kFolderKind;
        if (isFolder && (content || criteria.typeTab != 0)) continue;
        if (!line || line->numberCount < 2 + std::clamp(criteria.timeKind, 0, 2)) {
            showMessage("读取文件大小和时间异常");
            ended = true;
            break;
        }
        if (!accepts(criteria, tokens, *line, typeText, content.get())) continue;
        ResultRow row{std::string(line->name), std::string(line->folder), sizeText(line->size),
                      typeText, timeText(timeOfKind(*line, criteria.timeKind))};
        if (!store.add(row)) {
            ended = true;
            break;
        }
    }
    if (!store.finish()) ended = true;
    if (ended) return kSearchEnded;
    if (store.count() == 0) store.noResults();
    return kSearchDone;
}

bool CSearchEngine::accepts(const SearchCriteria& criteria, const std::vector<std::string>& tokens,
                            const FileListLine& line, std::string& typeText,
                            CContentSearch* content) {
    const bool anyType = !content && criteria.typeTab == 0;
    if (criteria.exactMatch && line.name != criteria.name) return false;
    if (!tokens.empty()) {
        if (criteria.caseSensitive ? !containsAllTokens(line.name, tokens)
                                   : !containsAllTokens(lowerBytes(line.name), tokens))
            return false;
    }
    bool isFolder = line.isFolder;
    Suffix suffix = nameSuffix(line.name);
    auto known = suffix.hasSuffix && !isFolder ? m_extensions.find(lowerBytes(suffix.text))
                                               : m_extensions.end();
    if (isFolder) {
        typeText = folderTypeText();
    } else if (known == m_extensions.end()) {
        if (!anyType) return false;
        typeText = unknownTypeText();
    } else {
        std::int64_t id = known->second;
        bool wanted = id >= 0 && static_cast<size_t>(id) < criteria.typeFlags.size() &&
                      criteria.typeFlags[static_cast<size_t>(id)];
        if (!wanted && !anyType) return false;
        auto description = m_descriptions.find(id);
        typeText = description == m_descriptions.end() ? std::string() : description->second;
    }
    if (!inLookInFolder(criteria.folder, line.folder)) return false;
    std::int64_t time = timeOfKind(line, criteria.timeKind);
    if (time < criteria.timeFrom || time > criteria.timeTo) return false;
    if (line.size < criteria.sizeMin || line.size > criteria.sizeMax) return false;

    std::string path = joinPath(line.folder, line.name);
    struct stat st;
    if (::lstat(osPath(path).c_str(), &st) != 0) return false;  // gone since the index was built
    return !content || content->SearchFile(path, &m_stop) >= 0;
}

}  // namespace zeph
